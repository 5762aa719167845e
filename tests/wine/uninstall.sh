#!/usr/bin/env bash
# The uninstall, as Add/Remove Programs starts it: the question, the hand-off
# to a copy in the system directory, the removal dialog with its questions
# about files the user added, its result line, and the copy's deletion at the
# next restart.
source "$(dirname "$0")/lib.bash" "$@"
new_prefix win95

automate >/dev/null <<'SCRIPT'
start D:\SETUP.EXE
window サンプル表計算のインストール先を指定してください
press next
check 1005 on
press next
until 1008 インストールが完了しました。「完了」を押すと起動します。
press finish
exit
close README.TXT
SCRIPT
installed=$(host_path 'C:\Program Files\表計算ソフト')
[ -f "$installed/SETUP.EXE" ] || fail "the installation did not happen"
# What the user added since: two files, and a key under the one the settings
# file's [Reg] section names.
echo "my notes" >"$installed/メモ.TXT"
echo "my data" >"$installed/DATA/USER.DAT"
wine reg add 'HKCU\Software\SampleSoft\表計算\Sub' /v Value /d 1 /f >/dev/null 2>&1 || fail "reg add failed"

out=$(automate <<'SCRIPT'
platform
arp 表計算ソフト
answer ok サンプル表計算を削除します。
exit
window サンプル表計算の削除
show
answers yes=USER.DAT "no=メモ.TXT"
answer ok ディレクトリの削除に失敗しました
until 1010 "C:\Program Files\表計算ソフト\ にはまだファイルが残っています。後で削除してください。"
press 2
exit window
reg "HKLM\System\CurrentControlSet\Control\Session Manager" PendingFileRenameOperations
reg HKCU\Software\SampleSoft
reg "HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\表計算ソフト"
reg "HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders"
windows
SCRIPT
)
owner='owner="サンプル表計算の削除"'
expect_in_order "$out" \
  'arp "表計算ソフト" start "\"C:\\Program Files\\表計算ソフト\\SETUP.EXE\" /r"' \
  'messagebox owner=none caption="サンプル表計算" text="サンプル表計算を削除します。" answer=ok' \
  'exit 1' \
  'window "サンプル表計算の削除"' \
  '  1010 static "削除しています..."' \
  '  2 button "終了" disabled' \
  "messagebox $owner caption=\"エラー\" text=\"C:\\\\Program Files\\\\表計算ソフト - ディレクトリの削除に失敗しました\" answer=ok" \
  'text 1010 "C:\\Program Files\\表計算ソフト\\ にはまだファイルが残っています。後で削除してください。"' \
  'press 2' \
  'exit 1'
expect_line "$out" "messagebox $owner caption=\"サンプル表計算\" text=\"C:\\\\Program Files\\\\表計算ソフト\\\\DATA\\\\USER.DAT - このファイルを削除してもいいですか？\" answer=yes"
expect_line "$out" "messagebox $owner caption=\"サンプル表計算\" text=\"C:\\\\Program Files\\\\表計算ソフト\\\\メモ.TXT - このファイルを削除してもいいですか？\" answer=no"
[ "$(grep -c '^messagebox' <<<"$out")" = 4 ] || fail "more message boxes than expected"

# The hand-off copy went into the system directory, which Wine gives as
# system32 whatever the version.
system=$(sed -n 's/^platform .* system="\(.*\)"$/\1/p' <<<"$out")
system=${system//\\\\/\\}
[ "$system" = 'C:\windows\system32' ] && wine_differs "GetSystemDirectoryA gives C:\\windows\\system32 as Windows 95 too, where Windows 95 gives C:\\WINDOWS\\SYSTEM"
copy="$system\\SETUP.EXE"
[ -f "$(host_path "$copy")" ] || fail "no hand-off copy $copy"

# Removed: the listed files, USER.DAT and the emptied DATA, the [Reg] key with
# its subkey, the registration, the Start-menu folder and the desktop link.
# Kept: メモ.TXT and so the directory.
[ "$(cd "$installed" && ls)" = "メモ.TXT" ] || fail "the directory holds: $(cd "$installed" && ls)"
expect_line "$out" 'reg "HKCU\\Software\\SampleSoft"'
expect_no_line "$out" '  key "表計算"'
expect_line "$out" 'reg "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\表計算ソフト" no such key'
[ ! -e "$(host_path "$(reg_value "$out" Programs)")/サンプル表計算" ] || fail "the Start-menu folder is left"
[ ! -e "$(host_path "$(reg_value "$out" Desktop)")/サンプル表計算.lnk" ] || fail "the desktop shortcut is left"
expect_no_message_box "$out"

# The copy is to go at the next restart.
pending="  \"PendingFileRenameOperations\" REG_MULTI_SZ \"\\\\??\\\\${copy//\\/\\\\}\" \"\""
expect_line "$out" "$pending"
wine_differs "MoveFileExA(MOVEFILE_DELAY_UNTIL_REBOOT) succeeds as Windows 95 and records PendingFileRenameOperations, where Windows 95 fails it and the program adds NUL=<short path> to WININIT.INI's [Rename]"
[ ! -e "$(host_path 'C:\windows\wininit.ini')" ] || fail "WININIT.INI was written although the delayed deletion was recorded"

# Wine carries pending renames out when a session starts (wineboot): without
# it, the request is still recorded after the session has ended.
restart_wine --no-boot
out=$(automate <<'SCRIPT'
reg "HKLM\System\CurrentControlSet\Control\Session Manager" PendingFileRenameOperations
SCRIPT
)
expect_line "$out" "$pending"
[ -f "$(host_path "$copy")" ] || fail "the copy went before the restart"

# A restart deletes the copy (wineboot runs beside the session's first
# program, hence the wait).
restart_wine
out=$(automate <<'SCRIPT'
platform
SCRIPT
)
for _ in $(seq 50); do [ -e "$(host_path "$copy")" ] || break; sleep 0.2; done
[ ! -e "$(host_path "$copy")" ] || fail "the copy is still there after the restart"
out=$(automate <<'SCRIPT'
reg "HKLM\System\CurrentControlSet\Control\Session Manager" PendingFileRenameOperations
SCRIPT
)
expect_line "$out" '  "PendingFileRenameOperations" no such value'
echo "passed"
