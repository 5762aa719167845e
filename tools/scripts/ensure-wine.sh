#!/usr/bin/env bash
# Makes the machine ready for the Wine stage of the tests: the i386
# architecture for 32-bit Wine, Wine itself, an X server without a screen, and
# the ja_JP.UTF-8 locale that gives Wine the ANSI code page 932.
# As root directly, otherwise through passwordless sudo; else it says what is
# missing and stops.
set -eu
here=$(cd "$(dirname "$0")" && pwd)

if [ "$(id -u)" = 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  sudo=(sudo)
else
  sudo=(false)
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  if ! "${sudo[@]}" dpkg --add-architecture i386 2>/dev/null; then
    echo "The i386 architecture is not enabled; run: sudo dpkg --add-architecture i386" >&2
    exit 1
  fi
  # The package lists must be read again for the new architecture.
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -q
fi

"$here/ensure-packages.sh" wine wine32:i386 xvfb locales

if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  if ! "${sudo[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 2>/dev/null; then
    echo "The ja_JP.UTF-8 locale is missing; run: sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8" >&2
    exit 1
  fi
fi
