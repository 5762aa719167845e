#!/usr/bin/env bash
# The uninstall hand-off starts the copy in the system directory with WinExec:
# winbox runs it as a new process after the first run ends, with the rest of
# the script, in the directory the first run left current; the exit code is
# the copy's.
source "$(dirname "$0")/lib.bash" "$@"
# Scripts handed to a new process go to TMPDIR: this test's own.
export TMPDIR="$WORK/tmp"
mkdir -p "$TMPDIR"
sample_media
box init
box mount D: "$WORK/media"
printf 'press next\npress next\npress finish\n' > "$WORK/install"
install() { box run --script "$WORK/install" 'D:\SETUP.EXE' >/dev/null || [ $? = 1 ] || fail "install failed"; }
installed='C:\Program Files\表計算ソフト\SETUP.EXE'

install
printf 'answer ok\n# the copy\npress 2\n' > "$WORK/remove"
status=0
out=$(box run --script "$WORK/remove" "$installed" /r) || status=$?
[ "$status" = 1 ] || fail "removal: exit code $status"
expect_line "$out" 'start "C:\\WINDOWS\\SYSTEM\\SETUP.EXE" "x C:\\Program Files\\表計算ソフト\\SETUP.EXE"'
expect_line "$out" 'text 1010 "サンプル表計算は正常に削除されました。"'
# The first run's lines come before the copy's.
first=$(grep -n '^start ' <<<"$out" | cut -d: -f1)
dialog=$(grep -n '^dialog 101 ' <<<"$out" | cut -d: -f1)
[ "$first" -lt "$dialog" ] || fail "the copy's transcript does not follow the first run's"
[ ! -e "$(box path 'C:\Program Files\表計算ソフト')" ] || fail "the product's folder is still there"

# A script that does not fit the copy's window: the error names the line of
# the script as written, and the copy's exit code is the run's.
install
printf 'answer ok\n\n# the copy\npress next\n' > "$WORK/misfit"
status=0
err=$(box run --script "$WORK/misfit" "$installed" /r 2>&1 >/dev/null) || status=$?
[ "$status" = 2 ] || fail "misfit: exit code $status"
grep -qF "winbox: script line 4: 'press next' does not fit dialog 101" <<<"$err" ||
  fail "the copy's error names another line or window: $err"

[ -z "$(ls -A "$TMPDIR")" ] || fail "a handed-over script was left behind: $(ls "$TMPDIR")"
echo "passed"
