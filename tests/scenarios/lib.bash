# Shared by the scenario tests: a fresh machine in a temporary folder and a
# copy of the sample product's media on drive D:.
# Usage: source lib.bash WINBOX SOURCE_DIR
set -eu
WINBOX=$1
SOURCE=$2
WORK=$(mktemp -d /tmp/setup-scenario-XXXXXX)
fail() { echo "FAIL: $*" >&2; exit 1; }
# A sanitizer's report has an exit code of its own (CTest sets it for every
# test), which no scenario accepts, even where it lets the program's codes go
# or reads winbox in a subshell: a mark in the work folder fails the test.
SANITIZER_EXIT_CODE=${SANITIZER_EXIT_CODE:-23}
finish() {
  local status=$?
  if [ -e "$WORK/sanitizer-report" ]; then
    echo "FAIL: $(cat "$WORK/sanitizer-report")" >&2
    status=1
  fi
  rm -rf "$WORK"
  exit "$status"
}
trap finish EXIT
box() {
  local status=0
  "$WINBOX" --machine "$WORK/machine" "$@" || status=$?
  if [ "$status" = "$SANITIZER_EXIT_CODE" ]; then
    echo "a sanitizer reported an error in winbox $1 (exit code $status)" > "$WORK/sanitizer-report"
    fail "$(cat "$WORK/sanitizer-report")"
  fi
  return "$status"
}
# Copies the sample media, with a program file the machine runs as the setup program.
sample_media() {
  cp -r "$SOURCE/examples/sample" "$WORK/media"
  "$WINBOX" stub "$WORK/media/SETUP.EXE"
}
# Fails unless the text holds the expected line (fixed string, whole line).
expect_line() { grep -qxF -- "$2" <<<"$1" || fail "missing line: $2
--- in:
$1"; }
