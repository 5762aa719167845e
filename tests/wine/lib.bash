# Shared by the Wine scenarios: a work folder, an X server without a screen,
# a fresh Wine prefix copied from the template, the sample product's media on
# drive D:, and AUTOMATE.EXE to drive the programs.
# Usage: source lib.bash AUTOMATE_EXE SETUP_EXE SOURCE_DIR TEMPLATE_PREFIX
set -eu
AUTOMATE=$1
SETUP_EXE=$2
SOURCE=$3
TEMPLATE=$4
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# 32-bit Wine needs a kernel that runs i386 programs; some virtual machines
# refuse them ("Exec format error"). There the stage cannot run at all: it is
# skipped (CTest's SKIP_RETURN_CODE), loudly, never passed.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "SKIPPED: this machine cannot run 32-bit (i386) programs, so 32-bit Wine cannot start" >&2
  exit 77
fi
WORK=$(mktemp -d /tmp/setup-wine-XXXXXX)
XVFB_PID=
STEP=0

# Wine keeps to the work folder: its own home (Wine links the user's folders
# to it), and no menu entries on the host.
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config XDG_DATA_HOME=$WORK/home/.local/share
export XDG_CACHE_HOME=$WORK/home/.cache
export WINEPREFIX=$WORK/prefix WINEARCH=win32 WINEDEBUG=${WINE_TRACE:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
# The ANSI code page 932 comes from the locale.
export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
unset LANGUAGE
mkdir -p "$HOME"

cleanup() {
  # Every program of the prefix goes with its server.
  [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  if [ -n "${KEEP_WINE_WORK:-}" ]; then echo "work folder kept: $WORK" >&2; else rm -rf "$WORK"; fi
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
# A one-line note where Wine does not do what Windows does.
wine_differs() { echo "Wine differs from Windows: $*"; }

# An X server of its own on a free display number.
start_display() {
  exec 9>"$WORK/display"
  Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  exec 9>&-
  local waited=0
  while [ ! -s "$WORK/display" ]; do
    [ $waited -lt 100 ] || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb ended: $(cat "$WORK/xvfb.log")"
    sleep 0.1
    waited=$((waited + 1))
  done
  export DISPLAY=:$(head -n 1 "$WORK/display")
}

# A Windows path for a host path, through drive Z: (the host's root).
windows_path() { local path=$1; printf 'Z:%s' "${path//\//\\}"; }

# The host path of a path on drive C: of the prefix.
host_path() {
  local path=${1#[Cc]:\\}
  printf '%s/drive_c/%s' "$WINEPREFIX" "${path//\\//}"
}

# A fresh prefix from the template, reporting the given Windows version
# (win95: GetVersion's low byte 4, the newer shell; win31: 3, the older shell),
# with the sample product's media and SETUP.EXE as drive D:. One Wine session
# (a persistent server) serves the whole scenario: the start of a session
# carries out pending renames, and only a "restart" (restart_wine) may.
new_prefix() {
  start_display
  cp -a "$TEMPLATE" "$WINEPREFIX"
  cp -r "$SOURCE/examples/sample" "$WORK/media"
  cp "$SETUP_EXE" "$WORK/media/SETUP.EXE"
  ln -s "$WORK/media" "$WINEPREFIX/dosdevices/d:"
  wineserver -p
  wine reg add 'HKCU\Software\Wine' /v Version /d "$1" /f >/dev/null 2>&1 || fail "cannot set the Windows version"
}

# Ends the session as a restart would, and starts the next one; with
# "--no-boot" the new session's programs run without wineboot, so nothing
# pending is carried out.
restart_wine() {
  wineserver -k 2>/dev/null || true
  timeout 60 wineserver -w 2>/dev/null || true
  if [ "${1:-}" = --no-boot ]; then
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;wineboot.exe=d"
  else
    WINEDLLOVERRIDES=${WINEDLLOVERRIDES%;wineboot.exe=d}
  fi
  wineserver -p
}

# Runs the AUTOMATE.EXE script read from standard input and prints its
# transcript; the transcript also goes to the test's log. A failed step fails
# the scenario, with the transcript and the screen's windows.
automate() {
  STEP=$((STEP + 1))
  local script=$WORK/script$STEP.txt out=$WORK/script$STEP.out status=0
  cat >"$script"
  timeout 240 wine "$AUTOMATE" "$(windows_path "$script")" >"$out" 2>>"$WORK/wine.log" || status=$?
  sed 's/^/| /' "$out" >&2
  [ $status = 0 ] || fail "AUTOMATE.EXE ended with $status (script $STEP); Wine's messages: $(tail -n 20 "$WORK/wine.log")"
  cat "$out"
}

# Runs a script that must fail: prints its transcript, and fails the scenario
# unless AUTOMATE.EXE ended with 2 well within its time limits.
automate_fails() {
  STEP=$((STEP + 1))
  local script=$WORK/script$STEP.txt out=$WORK/script$STEP.out status=0
  cat >"$script"
  timeout 60 wine "$AUTOMATE" "$(windows_path "$script")" >"$out" 2>>"$WORK/wine.log" || status=$?
  sed 's/^/| /' "$out" >&2
  [ $status = 2 ] || fail "AUTOMATE.EXE ended with $status, not 2 (script $STEP)"
  cat "$out"
}

# Fails unless the text holds the expected line (fixed string, whole line).
expect_line() { grep -qxF -- "$2" <<<"$1" || fail "missing line: $2
--- in:
$1"; }
expect_no_line() { ! grep -qF -- "$2" <<<"$1" || fail "unexpected line: $2
--- in:
$1"; }
# Fails unless the lines come in this order (each a whole line of the text,
# each found after the one before).
expect_in_order() {
  local text=$1 line number last=0
  shift
  for line in "$@"; do
    number=$(tail -n +$((last + 1)) <<<"$text" | grep -nxF -m 1 -- "$line" | cut -d: -f1)
    [ -n "$number" ] || fail "missing line, or out of order: $line
--- in:
$text"
    last=$((last + number))
  done
}

# The value of a REG_SZ line of a "reg" step's transcript, unquoted.
reg_value() {
  local line
  line=$(grep -F "  \"$2\" REG_SZ \"" <<<"$1" | head -n 1) || fail "no value $2 in:
$1"
  line=${line#*REG_SZ \"}
  line=${line%\"}
  line=${line//\\\"/\"}
  printf '%s' "${line//\\\\/\\}"
}

# What a shortcut file holds (lnk.py); a missing file fails.
link_fields() {
  [ -f "$1" ] || fail "no shortcut $1"
  python3 "$HERE/lnk.py" "$1" || fail "not a shortcut: $1"
}

# Says a Wine difference once per scenario, however often it is met.
NOTED=" "
wine_differs_once() {
  case $NOTED in *" $1 "*) return ;; esac
  NOTED="$NOTED$1 "
  wine_differs "$2"
}

# Checks a shortcut: its target, description and arguments (none when the
# fourth argument is left out).
expect_link() {
  local fields
  fields=$(link_fields "$1")
  if grep -q '\\0$' <<<"$fields"; then
    wine_differs_once link-zero "the counted strings of the links Wine writes include a terminating zero (the Shell Link format has none); ignored here"
    fields=$(sed 's/\\0$//' <<<"$fields")
  fi
  expect_line "$fields" "target: $2"
  expect_line "$fields" "description: $3"
  if [ $# -ge 4 ]; then expect_line "$fields" "arguments: $4"; else expect_no_line "$fields" "arguments:"; fi
}

# The installed files are the media's, byte for byte.
expect_installed_files() {
  local dir=$1 entry source target
  for entry in SETUP.EXE SETUP.INF HYOKEI.EXE README.TXT DATA/SAMPLE.DAT HELP/HYOKEI.HLP,HYOKEI.HLP \
               表計算の使い方.TXT; do
    source=${entry%%,*}
    target=${entry#*,}
    [ -f "$dir/$target" ] || fail "not installed: $target"
    cmp -s "$WORK/media/$source" "$dir/$target" || fail "$target differs from the media's $source"
  done
}

# The document that the notepad of this prefix shows, from its command line.
notepad_document() {
  local proc
  for proc in /proc/[0-9]*; do
    { tr '\0' ' ' <"$proc/cmdline"; } 2>/dev/null | grep -q 'notepad\.exe' || continue
    { tr '\0' '\n' <"$proc/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    tr '\0' ' ' <"$proc/cmdline" | sed 's/^.*notepad\.exe //; s/ *$//'
    return
  done
}

# Fails when the "windows" step of the transcript lists a message box.
expect_no_message_box() {
  local listing
  listing=$(sed -n '/^windows$/,/^[^ ]/p' <<<"$1")
  [ -n "$listing" ] || fail "no windows step in the transcript"
  ! grep -q ' text=' <<<"$listing" || fail "a message box is up:
$listing"
}
