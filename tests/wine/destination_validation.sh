#!/usr/bin/env bash
# The destination page refuses a drive root, a path without its drive, a
# wildcard, the Windows directory and a folder that holds the user's shell
# folders (Wine keeps them under C:\users); its folder picker (the old-style
# file dialog with the program's template) gives the drive root it opens at, and an accepted destination is tried: its
# missing levels are made and the deepest removed again. Cancel then leaves.
source "$(dirname "$0")/lib.bash" "$@"
new_prefix win95
page=サンプル表計算のインストール先を指定してください

out=$(automate <<SCRIPT
start D:\\SETUP.EXE
window $page
set 1001 D:
press next
answer ok
set 1001 "D:\\"
press next
answer ok
set 1001 ""
press next
answer ok
set 1001 "Program Files\\Foo"
press next
answer ok
press 1002
window フォルダ(&D):
show 1121
press 1
window $page
until 1001 C:\\
press next
answer ok
set 1001 C:\\WIN*
press next
answer ok
set 1001 C:\\windows
press next
answer ok
set 1001 C:\\users
press next
answer ok
set 1001 C:\\Test\\Deep
press next
show 1006
press cancel
exit
reg "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\表計算ソフト"
SCRIPT
)
root='messagebox owner="" caption="エラー" text="ルートディレクトリにはインストールできません。" answer=ok'
drive='messagebox owner="" caption="エラー" text="「C:\\Soft」のように、ドライブ名も含めた正しいパス名を指定してください。" answer=ok'
characters='messagebox owner="" caption="エラー" text="フォルダ名に使えない文字（* ? \" < > | など）が含まれています。" answer=ok'
system='messagebox owner="" caption="エラー" text="システムのフォルダにはインストールできません。別のフォルダを指定してください。" answer=ok'
expect_in_order "$out" \
  'set 1001 "D:"' "$root" \
  'set 1001 "D:\\"' "$root" \
  'set 1001 ""' "$root" \
  'set 1001 "Program Files\\Foo"' "$drive" \
  'press 1002' \
  'press 1' 'text 1001 "C:\\"' "$root" \
  'set 1001 "C:\\WIN*"' "$characters" \
  'set 1001 "C:\\windows"' "$system" \
  'set 1001 "C:\\users"' "$system" \
  'set 1001 "C:\\Test\\Deep"' 'press next' '  1006 button "スタートメニューに登録する" checked' \
  'press cancel' 'exit 1'
# The picker opens at the Windows drive's root and lists its folders. (With
# no title given, its caption is the platform's "Save As", not the template's.)
expect_line "$out" '  1088 static "c:\\"'
grep -q '^  1121 listbox "" items=[1-9].* "\[windows\]"' <<<"$out" || fail "no folder list in the picker"
# Nothing installed or registered; the trial left C:\Test and took Deep away.
expect_line "$out" 'reg "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\表計算ソフト" no such key'
[ -d "$(host_path 'C:\Test')" ] || fail "the trial did not create C:\\Test"
[ ! -e "$(host_path 'C:\Test\Deep')" ] || fail "the trial left C:\\Test\\Deep"
[ ! -e "$(host_path 'C:\Program Files\表計算ソフト')" ] || fail "something was installed"
echo "passed"
