#!/usr/bin/env bash
# Makes the Wine prefix that every scenario starts from a copy of: 32-bit, a
# virtual desktop of 1024x768 (under Xvfb, with no window manager, a desktop
# of Wine's own keeps window messages from getting lost), and the user's
# folders as real folders inside the prefix, where Wine would link them to
# the home directory.
# Usage: make_prefix.sh AUTOMATE_EXE SETUP_EXE SOURCE_DIR TEMPLATE_PREFIX
source "$(dirname "$0")/lib.bash" "$@"
start_display

wineboot -i >"$WORK/wineboot.log" 2>&1 || fail "wineboot -i failed: $(tail -n 20 "$WORK/wineboot.log")"
printf '%s\r\n' 'REGEDIT4' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"Default"="1024x768"' '' >"$WORK/desktop.reg"
wine regedit /s "$(windows_path "$WORK/desktop.reg")" >>"$WORK/wineboot.log" 2>&1 || fail "regedit failed"
timeout 120 wineserver -w || fail "the prefix's programs did not end"

find "$WINEPREFIX/drive_c/users" -type l | while read -r link; do
  rm "$link"
  mkdir "$link"
done
[ -d "$WINEPREFIX/drive_c/windows/system32" ] || fail "no system32 folder in the new prefix"

rm -rf "$TEMPLATE"
mkdir -p "$(dirname "$TEMPLATE")"
cp -a "$WINEPREFIX" "$TEMPLATE.new"
mv "$TEMPLATE.new" "$TEMPLATE"
echo "prefix template: $TEMPLATE ($(wine --version))"
