#!/usr/bin/env bash
# A removal whose script runs out at the walk's question about a file it did
# not install ends with the documented exit code 2, and releases what the
# program held when it was stopped (the walk's search): no sanitizer report,
# whose own exit code would stand in its place.
source "$(dirname "$0")/lib.bash" "$@"
# Scripts handed to a new process go to TMPDIR: this test's own.
export TMPDIR="$WORK/tmp"
mkdir -p "$TMPDIR"
sample_media
box init
box mount D: "$WORK/media"
printf 'press next\npress next\npress finish\n' > "$WORK/install"
box run --script "$WORK/install" 'D:\SETUP.EXE' > /dev/null || [ $? = 1 ] || fail "install failed"
printf 'memo' > "$(box path 'C:\Program Files\表計算ソフト\MEMO.TXT')"

# The first run's message box is answered; the copy's script is empty.
printf 'answer ok\n' > "$WORK/remove"
status=0
box arp remove --script "$WORK/remove" '表計算ソフト' > "$WORK/out" 2> "$WORK/err" || status=$?
err=$(cat "$WORK/err")
[ "$status" = 2 ] || fail "exit code $status:
$err"
expect_line "$err" 'winbox: script ran out while waiting at message box "C:\\Program Files\\表計算ソフト\\MEMO.TXT - このファイルを削除してもいいですか？"'
echo "passed"
