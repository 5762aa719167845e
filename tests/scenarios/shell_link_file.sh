#!/usr/bin/env bash
# winbox lnk reads a shortcut file laid out by hand in the Shell Link format,
# with code page 932 strings, and refuses what is not one.
source "$(dirname "$0")/lib.bash" "$@"
box init

le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"; }
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
cp932() { printf %s "$1" | iconv -f UTF-8 -t CP932; }

target=$(cp932 'C:\Program Files\表計算\HYOKEI.EXE' | od -An -tx1 | tr -d ' \n')
name_hex=$(cp932 '表計算' | od -An -tx1 | tr -d ' \n')
hex_bytes() { printf %s "$1" | sed 's/../\\x&/g' | xargs -0 printf; }
target_length=$(( ${#target} / 2 ))
name_length=$(( ${#name_hex} / 2 ))

link=$(box path 'C:\WINDOWS\ﾃﾞｽｸﾄｯﾌﾟ\表計算.lnk')
{
  le32 0x4C
  printf '\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46'
  le32 $((0x02 | 0x04 | 0x20))              # HasLinkInfo, HasName, HasArguments
  head -c $((0x4C - 24)) /dev/zero          # attributes, times, size, icon, show, hot key, reserved
  le32 $((0x1C + 0x11 + target_length + 2))  # LinkInfoSize
  le32 0x1C; le32 1; le32 0x1C; le32 $((0x1C + 0x11)); le32 0; le32 $((0x1C + 0x11 + target_length + 1))
  le32 0x11; le32 3; le32 0x12345678; le32 0x10; printf '\x00'
  hex_bytes "$target"; printf '\x00\x00'
  le16 "$name_length"; hex_bytes "$name_hex"
  le16 7; printf '/quiet '
  le32 0
} > "$link"

out=$(box lnk 'C:\WINDOWS\ﾃﾞｽｸﾄｯﾌﾟ\表計算.lnk')
expect_line "$out" 'target: C:\Program Files\表計算\HYOKEI.EXE'
expect_line "$out" 'arguments: /quiet '
expect_line "$out" 'description: 表計算'

# Cut short, or not a link at all: exit 1 with a message.
head -c 100 "$link" > "$link.cut"
mv "$link.cut" "$(box path 'C:\CUT.LNK')"
status=0; box lnk 'C:\CUT.LNK' 2>/dev/null || status=$?
[ "$status" = 1 ] || fail "cut link: exit code $status"
status=0; box lnk 'C:\NONE.LNK' 2>/dev/null || status=$?
[ "$status" = 1 ] || fail "missing link: exit code $status"
echo "passed"
