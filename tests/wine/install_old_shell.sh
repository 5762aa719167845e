#!/usr/bin/env bash
# A whole installation under the older shell (Wine as Windows 3.1, GetVersion's
# low byte 3): no desktop shortcut, no removal hint, and the Start-menu entries
# made as a Program Manager group through DDE, which Wine's shell turns into a
# folder of shortcut files. Wine's Program Manager refuses the item whose
# command line has arguments after the program's path (Windows makes it): the
# run reports that item and ends saying that something is missing.
source "$(dirname "$0")/lib.bash" "$@"
new_prefix win31

out=$(automate <<'SCRIPT'
platform
start D:\SETUP.EXE
window サンプル表計算のインストール先を指定してください
until 1001 "C:\Program Files\表計算ソフト\"
press next
show 1006
press next
answer ok 表計算 (新規作成)
until 1008 エラーがありました。表示されたファイル等は入っていません。
show 12325
press finish
exit
close README.TXT
close サンプル表計算
windows
reg "HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\表計算ソフト"
reg "HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders"
SCRIPT
)
expect_line "$out" 'platform version=3.10 family=9x acp=932 windows="C:\\windows" system="C:\\windows\\system32"'
expect_in_order "$out" \
  'text 1001 "C:\\Program Files\\表計算ソフト\\"' \
  'press next' \
  '  1006 button "スタートメニューに登録する" checked' \
  '  1005 button "デスクトップにショットカットを作成する" unchecked disabled' \
  'press next' \
  'text 1008 "エラーがありました。表示されたファイル等は入っていません。"' \
  'press finish' \
  'exit 1'
# The removal hint is for the newer shell only.
expect_no_line "$out" '  1012 '
# Creating a group shows it: Wine's shell opens the group's folder in a window.
expect_line "$out" 'close "サンプル表計算"'
grep -qF 'caption="エラー" text="表計算 (新規作成) - ショートカットを作成できませんでした。" answer=ok' <<<"$out" ||
  fail "the item Wine refuses is not reported"
expect_no_message_box "$out"
expect_line "$out" '  "DisplayName" REG_SZ "サンプル表計算"'
expect_line "$out" '  "UninstallString" REG_SZ "\"C:\\Program Files\\表計算ソフト\\SETUP.EXE\" /r"'
expect_installed_files "$(host_path 'C:\Program Files\表計算ソフト')"

# The group: the items' command lines are short paths.
group=$(host_path "$(reg_value "$out" Programs)")/サンプル表計算
desktop=$(host_path "$(reg_value "$out" Desktop)")
[ ! -e "$desktop/サンプル表計算.lnk" ] || fail "a desktop shortcut under the older shell"
main=$(link_fields "$group/サンプル表計算.lnk" | sed -n 's/^target: //p')
readme=$(link_fields "$group/お読みください.lnk" | sed -n 's/^target: //p')
out=$(automate <<SCRIPT
longpath "$main"
longpath "$readme"
SCRIPT
)
expect_line "$out" "longpath \"${main//\\/\\\\}\" \"C:\\\\Program Files\\\\表計算ソフト\\\\HYOKEI.EXE\""
expect_line "$out" "longpath \"${readme//\\/\\\\}\" \"C:\\\\Program Files\\\\表計算ソフト\\\\README.TXT\""
case $main in
  'C:\PROGRA~1\'*) ;;
  *) wine_differs "short names are made from a hash ($main), where Windows numbers them (C:\\PROGRA~1\\...)" ;;
esac
expect_link "$group/サンプル表計算.lnk" "$main" 'サンプル表計算'
expect_link "$group/お読みください.lnk" "$readme" 'お読みください'
# The item with arguments: [AddItem("C:\...\HYOKEI.EXE /new","表計算 (新規作成)")].
[ ! -e "$group/表計算 (新規作成).lnk" ] || fail "an item Wine reported as refused is there"
wine_differs "Program Manager's [AddItem] with arguments after the program's path fails and makes no item (Windows makes one that runs the program with them)"
echo "passed"
