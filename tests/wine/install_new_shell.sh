#!/usr/bin/env bash
# A whole installation under the newer shell (Wine as Windows 95): the three
# pages, the files, the uninstall registration, shortcut files in the Start
# menu and on the desktop, and Finish.
source "$(dirname "$0")/lib.bash" "$@"
new_prefix win95

out=$(automate <<'SCRIPT'
platform
start D:\SETUP.EXE
window サンプル表計算のインストール先を指定してください
until 1001 "C:\Program Files\表計算ソフト\"
show
press next
show 1006
check 1005 on
press next
until 1008 インストールが完了しました。「完了」を押すと起動します。
show 12325
press finish
exit
window README.TXT
SCRIPT
)
expect_line "$out" 'platform version=4.0 family=9x acp=932 windows="C:\\windows" system="C:\\windows\\system32"'
# A wizard's title bar shows the current page's label, and these pages have
# none: the caption the destination page sets does not stay.
expect_line "$out" 'window ""'
expect_in_order "$out" \
  '  1000 static "サンプル表計算のインストール先を指定してください"' \
  '  1001 edit "C:\\Program Files\\表計算ソフト\\"' \
  'press next' \
  '  1006 button "スタートメニューに登録する" checked' \
  '  1005 button "デスクトップにショットカットを作成する" unchecked' \
  'check 1005 on' \
  'press next' \
  'text 1008 "インストールが完了しました。「完了」を押すと起動します。"' \
  '  1012 static "このソフトを削除するにはコントロールパネルの「アプリケーションの追加と削除」を使ってください。"' \
  'press finish' \
  'exit 1' \
  'window "README.TXT - メモ帳"'
# Back is off on every page, Next on for the first two; the last page offers
# Finish, and no progress bar.
[ "$(grep -c '^  12323 .* disabled$' <<<"$out")" = 3 ] || fail "Back is not off on each page"
[ "$(grep -c '^  12324 button "[^"]*"$' <<<"$out")" -ge 2 ] || fail "Next is not on for the first two pages"
last_page=$(sed -n '/^text 1008/,/^press finish/p' <<<"$out")
grep -q '^  12325 button "[^"]*"$' <<<"$last_page" || fail "no enabled Finish on the last page"
expect_no_line "$last_page" '  1003 '

# Finish: HYOKEI.EXE is no program (its CreateProcess fails with
# ERROR_BAD_EXE_FORMAT) and WinExec fails without a word; README.TXT opens.
document=$(notepad_document)
case $document in
  'C:\Program Files\表計算ソフト\README.TXT') ;;
  'D:\README.TXT')
    wine_differs "ShellExecute opened D:\\README.TXT, the media's copy: Wine looks in the program's own folder before the current directory, where Windows opens the installed C:\\Program Files\\表計算ソフト\\README.TXT" ;;
  *) fail "notepad shows '$document', not README.TXT" ;;
esac

out=$(automate <<'SCRIPT'
close README.TXT
windows
reg "HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\表計算ソフト"
reg "HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders"
SCRIPT
)
expect_no_message_box "$out"
expect_line "$out" '  "DisplayName" REG_SZ "サンプル表計算"'
expect_line "$out" '  "UninstallString" REG_SZ "\"C:\\Program Files\\表計算ソフト\\SETUP.EXE\" /r"'

expect_installed_files "$(host_path 'C:\Program Files\表計算ソフト')"

installed='C:\Program Files\表計算ソフト'
programs=$(host_path "$(reg_value "$out" Programs)")
expect_link "$programs/サンプル表計算/サンプル表計算.lnk" "$installed\\HYOKEI.EXE" 'サンプル表計算'
expect_link "$programs/サンプル表計算/お読みください.lnk" "$installed\\README.TXT" 'お読みください'
expect_link "$programs/サンプル表計算/表計算 (新規作成).lnk" "$installed\\HYOKEI.EXE" '表計算 (新規作成)' '/new'
[ "$(ls "$programs/サンプル表計算" | wc -l)" = 3 ] || fail "the Start menu folder holds more: $(ls "$programs/サンプル表計算")"
desktop=$(host_path "$(reg_value "$out" Desktop)")
expect_link "$desktop/サンプル表計算.lnk" "$installed\\HYOKEI.EXE" 'サンプル表計算'
echo "passed"
