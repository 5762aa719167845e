#!/usr/bin/env bash
# A path or registry key deeper than Windows allows ends winbox's command
# with a clear error, never with a crash: a Windows path of 40,000 levels
# given to winbox path or named for the restart (a pending operation, a line
# of WININIT.INI), and a key of 30,000 levels in an imported REGEDIT4 file.
source "$(dirname "$0")/lib.bash" "$@"
deep='C:'$(printf '\\a%.0s' $(seq 40000))

# Runs winbox; sets $status, $out and $err.
run_box() {
  status=0
  box "$@" > "$WORK/out" 2> "$WORK/err" || status=$?
  out=$(cat "$WORK/out")
  err=$(cat "$WORK/err")
}

box init
run_box path "$deep"
[ "$status" = 2 ] || fail "path: exit code $status"
[ "$err" = "winbox: a Windows path is at most 259 bytes; this one has 80002" ] || fail "path: $err"

# A pending deletion of that path, as REG_MULTI_SZ: the name, an empty
# destination and the end of the list.
hex=$(printf '%s\0\0\0' "\\??\\$deep" | od -An -v -tx1 | tr -d ' \n' | sed 's/../&,/g; s/,$//')
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager]\n"PendingFileRenameOperations"=hex(7):%s\n' \
  "$hex" > "$WORK/pending.reg"
box reg import "$WORK/pending.reg"
run_box reboot
[ "$status" = 1 ] || fail "reboot of a pending deletion: exit code $status"
expect_line "$out" "cannot delete $deep (longer than a Windows path)"
[ -z "$err" ] || fail "reboot of a pending deletion: $err"

box init --force --delayed-delete no
printf '[Rename]\r\nNUL=%s\r\nC:\\NEW=%s\r\n' "$deep" "$deep" > "$(box path 'C:\WINDOWS\WININIT.INI')"
run_box reboot
[ "$status" = 1 ] || fail "reboot of WININIT.INI: exit code $status"
expect_line "$out" "cannot delete $deep (longer than a Windows path)"
expect_line "$out" "cannot rename $deep to C:\\NEW (longer than a Windows path)"
expect_line "$out" 'renamed C:\WINDOWS\WININIT.INI to C:\WINDOWS\WININIT.BAK'

# The import names the line of the key; the lines after it still count.
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\%s]\n"v"="x"\n\n[HKEY_CURRENT_USER\\Software\\After]\n"v"="y"\n' \
  "$(printf 'k\\%.0s' $(seq 29999))k" > "$WORK/deep.reg"
run_box reg import "$WORK/deep.reg"
[ "$status" = 2 ] || fail "reg import: exit code $status"
[ "$err" = "winbox: line 3: a key more than 512 levels deep" ] || fail "reg import: $err"
run_box reg 'HKEY_CURRENT_USER\k'
[ "$status" = 1 ] || fail "the deep key was made in part"
run_box reg 'HKEY_CURRENT_USER\Software\After'
expect_line "$out" '"v"="y"'
echo "passed"
