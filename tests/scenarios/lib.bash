# Shared by the scenario tests: a fresh machine in a temporary folder and a
# copy of the sample product's media on drive D:.
# Usage: source lib.bash WINBOX SOURCE_DIR
set -eu
WINBOX=$1
SOURCE=$2
WORK=$(mktemp -d /tmp/setup-scenario-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
box() { "$WINBOX" --machine "$WORK/machine" "$@"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
# Copies the sample media, with a program file the machine runs as the setup program.
sample_media() {
  cp -r "$SOURCE/examples/sample" "$WORK/media"
  "$WINBOX" stub "$WORK/media/SETUP.EXE"
}
# Fails unless the text holds the expected line (fixed string, whole line).
expect_line() { grep -qxF -- "$2" <<<"$1" || fail "missing line: $2
--- in:
$1"; }
