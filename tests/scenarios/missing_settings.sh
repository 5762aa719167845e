#!/usr/bin/env bash
# A program without its settings file says so and exits 1; so does one
# whose settings file lacks the title.
source "$(dirname "$0")/lib.bash" "$@"
box init
mkdir -p "$WORK/media"
"$WINBOX" stub "$WORK/media/SETUP.EXE"
box mount D: "$WORK/media"
message='messagebox owner=none caption="エラー" icon=error text="設定ファイルが壊れているか、または見つかりません。" answer=ok'

status=0
out=$(box run 'D:\SETUP.EXE') || status=$?
[ "$status" = 1 ] || fail "exit code $status"
expect_line "$out" "$message"

printf '[Install]\r\nFolder=Foo\r\n' > "$WORK/media/SETUP.INF"
printf 'answer ok\n' > "$WORK/script"
status=0
out=$(box run --script "$WORK/script" 'D:\SETUP.EXE') || status=$?
[ "$status" = 1 ] || fail "exit code $status"
expect_line "$out" "$message"
# Nothing was registered.
[ -z "$(box arp)" ] || fail "an Add/Remove Programs entry was written"
echo "passed"
