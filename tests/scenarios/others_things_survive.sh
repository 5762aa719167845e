#!/usr/bin/env bash
# The setup program removes what it put on the machine and nothing else. On a
# machine that already holds other programs' things (another vendor's
# SETUP.EXE in the system directory, other lines in WININIT.INI, another
# product's uninstall entry, Start-menu group and desktop link, keys beside
# the product's own) a product is installed, the product writes its key, the
# user leaves a file in its folder, and the product is removed through
# Add/Remove Programs (keeping the user's file) and the machine restarted:
# under both shells, with and without delayed deletion. Every other thing is
# as it was; the product is gone but for the user's file.
source "$(dirname "$0")/lib.bash" "$@"

cp932() { iconv -f UTF-8 -t CP932; }
# Turns "\n" line ends into CR LF.
crlf() { sed 's/$/\r/'; }

# The product: two files, a Start-menu group of two items and a key of its own.
mkdir -p "$WORK/media"
"$WINBOX" stub "$WORK/media/SETUP.EXE"
printf 'MZ Foo main program\r\n' > "$WORK/media/FOO.EXE"
printf 'Foo readme\r\n' > "$WORK/media/README.TXT"
crlf <<'EOF' | cp932 > "$WORK/media/SETUP.INF"
[Install]
Title=Foo ツール
Folder=Foo
1=FOO.EXE
2=README.TXT
[Group]
1=Foo ツール,FOO.EXE
2=お読みください,README.TXT
[Reg]
1=HKEY_CURRENT_USER\Software\FooSoft\Foo
EOF
title='Foo ツール'
product_dir='C:\Program Files\Foo'
product_key='HKEY_CURRENT_USER\Software\FooSoft\Foo'
uninstall_root='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'

# Another product with a name that begins like this one's, installed with the
# setup program under the older shell, where only Program Manager holds groups.
mkdir -p "$WORK/other"
"$WINBOX" stub "$WORK/other/SETUP.EXE"
printf 'MZ Foo Pro main program\r\n' > "$WORK/other/FOOPRO.EXE"
crlf <<'EOF' | cp932 > "$WORK/other/SETUP.INF"
[Install]
Title=Foo ツール Pro
Folder=FooPro
1=FOOPRO.EXE
EOF
other_title='Foo ツール Pro'

printf 'press next\ncheck 1005 on\npress next\npress finish\n' > "$WORK/install-new"
printf 'press next\npress next\npress finish\n' > "$WORK/install-old"
# OK to the removal, No for the user's file, OK to the folder that stays.
printf 'answer ok\nanswer no\nanswer ok\npress 2\n' > "$WORK/remove"

# Faults are gathered so that one run names every thing destroyed.
faults=""
fault() { faults+="  ($combination) $*"$'\n'; }
# The host file of a path on C: (the machine keeps C: in machine/C, names as written).
file_of() { local path=${1#C:\\}; printf %s "$WORK/machine/C/${path//\\//}"; }
exists() { [ -e "$(file_of "$1")" ]; }
# Saves a file's bytes under a name, to compare with later.
save() { cp "$(file_of "$1")" "$WORK/saved/$2"; }
same() { cmp -s "$WORK/saved/$2" "$(file_of "$1")"; }
reg_key() { box reg "$1" 2>/dev/null; }

# Lays down the other programs' things.
plant_others() {
  local shell=$1 delayed=$2
  printf "another vendor's setup\r\n" > "$(file_of 'C:\WINDOWS\SYSTEM\SETUP.EXE')"
  crlf <<EOF | cp932 > "$WORK/others.reg"
REGEDIT4

[$uninstall_root\\Other]
"DisplayName"="ほかの製品"
"UninstallString"="C:\\\\OTHER\\\\UNINST.EXE /remove"

[HKEY_CURRENT_USER\\Software\\FooSoft]
"Company"="FooSoft"

[HKEY_CURRENT_USER\\Software\\FooSoft\\Bar]
"Level"="3"
EOF
  box reg import "$WORK/others.reg"
  if [ "$shell" = new ]; then
    mkdir -p "$(file_of "C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\$other_title")"
    printf 'another product\x27s group item\r\n' > "$(file_of "C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\$other_title\\$other_title.lnk")"
    printf 'another product\x27s desktop link\r\n' > "$(file_of "C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ\\$other_title.lnk")"
  else
    box mount E: "$WORK/other"
    box run --script "$WORK/install-old" 'E:\SETUP.EXE' > "$WORK/other-install.log" || true
    box progman | grep -qxF "group \"$other_title\"" || fail "the other product's group was not made"
  fi
  if [ "$delayed" = no ]; then
    printf 'old program\r\n' > "$(file_of 'C:\OLD.EXE')"
    printf 'new version\r\n' > "$(file_of 'C:\A.OLD')"
    printf '[Rename]\r\nNUL=C:\\OLD.EXE\r\nC:\\A.NEW=C:\\A.OLD\r\n\x1A' > "$(file_of 'C:\WINDOWS\WININIT.INI')"
  fi
}

# What can be compared of the machine as a whole: its files with their
# bytes, its registry and Program Manager's groups (an empty Startup group is
# there once shown).
snapshot() {
  rm -rf "$WORK/$1"
  mkdir -p "$WORK/$1"
  cp -a "$WORK/machine/C" "$WORK/$1/C"
  box reg > "$WORK/$1/registry"
  box progman | grep -vxF 'group "スタートアップ"' > "$WORK/$1/progman" || true
}

# One Program Manager group's line and its items' lines, from "winbox progman".
group_block() { awk -v head="group \"$1\"" '/^group /{inside = $0 == head} inside'; }

# The other programs' things, each named, against what was saved.
check_others() {
  local shell=$1 delayed=$2
  if [ "$shell" = new ]; then
    same "C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\$other_title\\$other_title.lnk" group-item ||
      fault "the other product's Start-menu item ﾌﾟﾛｸﾞﾗﾑ\\$other_title\\$other_title.lnk was deleted or changed"
    same "C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ\\$other_title.lnk" desktop-link ||
      fault "the other product's desktop link ﾃﾞｽｸﾄｯﾌﾟ\\$other_title.lnk was deleted or changed"
  else
    [ "$(box progman | group_block "$other_title")" = "$(group_block "$other_title" < "$WORK/before/progman")" ] ||
      fault "the other product's Program Manager group \"$other_title\" was deleted or changed"
    same 'C:\Program Files\FooPro\FOOPRO.EXE' other-program ||
      fault "the other product's file C:\\Program Files\\FooPro\\FOOPRO.EXE was deleted or changed"
  fi
  [ "$(reg_key "$uninstall_root\\Other")" = "$(cat "$WORK/saved/other-uninstall")" ] ||
    fault "the other product's uninstall key $uninstall_root\\Other was deleted or changed"
  [ "$(reg_key 'HKEY_CURRENT_USER\Software\FooSoft\Bar')" = "$(cat "$WORK/saved/sibling")" ] ||
    fault "the key beside the product's, HKEY_CURRENT_USER\\Software\\FooSoft\\Bar, was deleted or changed"
  [ "$(reg_key 'HKEY_CURRENT_USER\Software\FooSoft')" = "$(cat "$WORK/saved/parent")" ] ||
    fault "the product's parent key HKEY_CURRENT_USER\\Software\\FooSoft was deleted or changed"
  if [ "$delayed" = no ]; then
    ! exists 'C:\OLD.EXE' ||
      fault "WININIT.INI lost another program's line NUL=C:\\OLD.EXE: the restart did not delete C:\\OLD.EXE"
    if exists 'C:\A.OLD' || ! same 'C:\A.NEW' a-old; then
      fault "WININIT.INI lost another program's line C:\\A.NEW=C:\\A.OLD: the restart did not rename C:\\A.OLD to C:\\A.NEW"
    fi
  fi
}

# Fails unless a file carried out at the restart ends at its end-of-file mark
# (0x1A), if it has one: the restart reads nothing after it.
check_end_of_file_mark() {
  local file mark size
  file=$(file_of 'C:\WINDOWS\WININIT.BAK')
  [ -f "$file" ] || { fault "WININIT.INI was not carried out at the restart"; return; }
  mark=$(LC_ALL=C grep -abo $'\x1A' "$file" | head -n 1 | cut -d: -f1)
  size=$(stat -c %s "$file")
  [ -z "$mark" ] || [ "$((mark + 1))" = "$size" ] ||
    fault "WININIT.INI held text after its end-of-file mark, which the restart never read: $(tail -c +$((mark + 2)) "$file" | tr -d '\r' | tr '\n' ' ')"
}

# The product's things, and the user's file that stays with its folder.
check_product_gone() {
  local shell=$1
  for name in FOO.EXE README.TXT SETUP.EXE SETUP.INF; do
    ! exists "$product_dir\\$name" || fault "the product's file $product_dir\\$name is still there"
  done
  same "$product_dir\\NOTES.TXT" user-file || fault "the user's file $product_dir\\NOTES.TXT was deleted or changed"
  [ "$(ls "$(file_of "$product_dir")" 2>/dev/null)" = NOTES.TXT ] ||
    fault "the product's folder does not hold just the user's file: $(ls "$(file_of "$product_dir")" 2>&1)"
  # The hand-off copy went at the restart: the system directory holds the names it held before.
  local left
  left=$(comm -13 <(ls -A "$WORK/before/C/WINDOWS/SYSTEM") <(ls -A "$(file_of 'C:\WINDOWS\SYSTEM')"))
  [ -z "$left" ] || fault "left in the system directory after the restart: $left"
  ! reg_key "$uninstall_root\\Foo" >/dev/null || fault "the product's uninstall key $uninstall_root\\Foo is still there"
  ! reg_key "$product_key" >/dev/null || fault "the product's key $product_key is still there"
  if [ "$shell" = new ]; then
    ! exists "C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\$title" || fault "the product's Start-menu folder is still there"
    ! exists "C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ\\$title.lnk" || fault "the product's desktop link is still there"
  else
    ! box progman | grep -qxF "group \"$title\"" || fault "the product's Program Manager group is still there"
  fi
}

run_combination() {
  local shell=$1 delayed=$2
  combination="--shell $shell --delayed-delete $delayed"
  rm -rf "$WORK/machine" "$WORK/saved"
  mkdir -p "$WORK/saved"
  box init --shell "$shell" --delayed-delete "$delayed"
  box mount D: "$WORK/media"
  plant_others "$shell" "$delayed"

  save 'C:\WINDOWS\SYSTEM\SETUP.EXE' system-setup
  if [ "$shell" = new ]; then
    save "C:\\WINDOWS\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\$other_title\\$other_title.lnk" group-item
    save "C:\\WINDOWS\\ﾃﾞｽｸﾄｯﾌﾟ\\$other_title.lnk" desktop-link
  else
    save 'C:\Program Files\FooPro\FOOPRO.EXE' other-program
  fi
  [ "$delayed" = yes ] || save 'C:\A.OLD' a-old
  reg_key "$uninstall_root\\Other" > "$WORK/saved/other-uninstall"
  reg_key 'HKEY_CURRENT_USER\Software\FooSoft\Bar' > "$WORK/saved/sibling"
  reg_key 'HKEY_CURRENT_USER\Software\FooSoft' > "$WORK/saved/parent"
  snapshot before

  box run --script "$WORK/install-$shell" 'D:\SETUP.EXE' > "$WORK/install.log" || true
  expect_line "$(cat "$WORK/install.log")" 'text 1008 "インストールが完了しました。「完了」を押すと起動します。"'
  # The product ran and wrote its settings; the user wrote a file of their own.
  printf 'REGEDIT4\r\n\r\n[%s]\r\n"Window"="maximized"\r\n' "$product_key" > "$WORK/product.reg"
  box reg import "$WORK/product.reg"
  printf 'my own notes\r\n' > "$(file_of "$product_dir\\NOTES.TXT")"
  save "$product_dir\\NOTES.TXT" user-file

  out=$(box arp remove --script "$WORK/remove" Foo) || true
  expect_line "$out" 'text 1010 "C:\\Program Files\\Foo\\ にはまだファイルが残っています。後で削除してください。"'
  same 'C:\WINDOWS\SYSTEM\SETUP.EXE' system-setup ||
    fault "another vendor's C:\\WINDOWS\\SYSTEM\\SETUP.EXE was overwritten by the removal"

  box reboot > "$WORK/reboot.log" || true
  exists 'C:\WINDOWS\SYSTEM\SETUP.EXE' ||
    fault "another vendor's C:\\WINDOWS\\SYSTEM\\SETUP.EXE was deleted at the restart"
  check_others "$shell" "$delayed"
  [ "$delayed" = yes ] || check_end_of_file_mark
  check_product_gone "$shell"

  # Nothing else changed: the machine is as before but for the user's file
  # and what the restart did with WININIT.INI.
  snapshot after
  rm -f "$WORK/after/C/Program Files/Foo/NOTES.TXT"
  rmdir "$WORK/after/C/Program Files/Foo" 2>/dev/null || true
  if [ "$delayed" = no ]; then
    rm -f "$WORK/before/C/WINDOWS/WININIT.INI" "$WORK/before/C/OLD.EXE" "$WORK/after/C/WINDOWS/WININIT.BAK"
    mv "$WORK/before/C/A.OLD" "$WORK/before/C/A.NEW"
  fi
  changed=$(cd "$WORK" && diff -r before/C after/C 2>&1) ||
    fault "the machine's files differ from before:
$changed"
  changed=$(diff -u "$WORK/before/registry" "$WORK/after/registry") ||
    fault "the registry differs from before:
$changed"
  changed=$(diff -u "$WORK/before/progman" "$WORK/after/progman") ||
    fault "Program Manager's groups differ from before:
$changed"
}

for shell in new old; do
  for delayed in yes no; do
    run_combination "$shell" "$delayed"
  done
done
[ -z "$faults" ] || fail "things the product did not own were destroyed, or the product was not removed:
$faults"
echo "passed"
