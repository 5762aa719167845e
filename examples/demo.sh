#!/usr/bin/env bash
# Runs the setup program on the sample product in a fresh machine:
# the sample's folder is the product's media, mounted as drive D:.
set -eu
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
status=0
box run 'D:\SETUP.EXE' || status=$?
echo "(the program's exit code: $status)"
echo
echo "== The machine's uninstall registrations"
box reg 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' || echo "(none)"
