#!/usr/bin/env bash
# Runs the setup program on the sample product in a fresh machine, with its
# wizard in this terminal: the sample's folder is the product's media,
# mounted as drive D:. Afterwards it shows what the run did to the machine.
set -eu
if [ ! -t 0 ] || [ ! -t 1 ]; then
  echo "The demo runs the setup program's wizard in a terminal, and this is none."
  echo "Run it from a terminal: make demo"
  exit 0
fi
winbox=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
work="$top/build/demo"

rm -rf "$work"
mkdir -p "$work"
cp -r "$here/sample" "$work/media"
# The media carry the Windows build when there is one; otherwise a stand-in
# that the machine runs as the same program.
if [ -f "$top/dist/SETUP.EXE" ]; then
  cp "$top/dist/SETUP.EXE" "$work/media/SETUP.EXE"
else
  "$winbox" stub "$work/media/SETUP.EXE"
fi

box() { "$winbox" --machine "$work/machine" "$@"; }
box init
box mount D: "$work/media"

echo "== The sample product's media, mounted as D: ($work/media)"
ls "$work/media"
echo
echo "== winbox run D:\\SETUP.EXE"
echo "   Tab moves, Space ticks, Enter presses Next and Finish, Esc cancels; each"
echo "   screen shows its keys on the last line. The run's transcript follows it."
status=0
box run 'D:\SETUP.EXE' || status=$?
echo "(the program's exit code: $status)"
echo

# What the runs did to the machine: files, registrations, shortcuts.
show_machine() {
  programs=$(box path 'C:\Program Files')
  echo "== Files in C:\\Program Files ($programs)"
  (cd "$programs" && find . -mindepth 1 | sort | sed 's|^\./||' | grep . || echo "(nothing)")
  echo
  echo "== The machine's uninstall registrations"
  box reg 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' || echo "(none)"
  echo
  echo "== Shortcuts"
  windows=$(box path 'C:\WINDOWS')
  found=0
  while IFS= read -r link; do
    found=1
    name='C:\WINDOWS\'$(printf %s "${link#"$windows"/}" | tr / '\\')
    echo "$name"
    box lnk "$name" | sed 's/^/  /'
  done < <(find "$windows" -name '*.lnk' | sort)
  [ "$found" = 1 ] || echo "(none)"
  groups=$(box progman)
  # Program Manager's own empty Startup group alone is nothing the run did.
  if grep -q '^  item ' <<<"$groups"; then
    echo
    echo "== Program Manager"
    echo "$groups"
  fi
}

show_machine
echo
printf '== Remove the sample product again through Add/Remove Programs and a restart? [y/N] '
read -r answer || answer=n
case "$answer" in
  y|Y|yes)
    status=0
    box arp remove '表計算ソフト' || status=$?
    echo "(the program's exit code: $status)"
    echo
    echo "== winbox reboot"
    box reboot
    echo
    show_machine
    system=$(box path 'C:\WINDOWS\SYSTEM')
    echo
    echo "== The system directory ($system)"
    ls -A "$system" | grep . || echo "(empty: the uninstaller's own copy is gone)"
    ;;
esac
