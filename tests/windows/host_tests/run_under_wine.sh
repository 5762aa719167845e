#!/usr/bin/env bash
# HOSTTESTS.EXE (the host layer's tests built for Windows) in a fresh Wine
# prefix: the host layer's behaviours checked against a real Win32
# implementation. Passes when every test passes or is skipped as a known
# difference of Wine's.
# Usage: run_under_wine.sh AUTOMATE_EXE SETUP_EXE SOURCE_DIR TEMPLATE_PREFIX HOSTTESTS_EXE
source "$(dirname "$0")/../../wine/lib.bash" "$@"
HOSTTESTS=$5
[ -f "$HOSTTESTS" ] || fail "no HOSTTESTS.EXE at $HOSTTESTS"

start_display
cp -a "$TEMPLATE" "$WINEPREFIX"
wineserver -p
status=0
timeout 240 wine "$HOSTTESTS" --gtest_color=no 2>>"$WORK/wine.log" | tr -d '\r' | iconv -f CP932 -t UTF-8 -c || status=$?
[ $status = 0 ] || fail "HOSTTESTS.EXE ended with $status; Wine's messages: $(tail -n 20 "$WORK/wine.log")"
