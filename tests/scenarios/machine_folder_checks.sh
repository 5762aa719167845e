#!/usr/bin/env bash
# winbox's own checks of the machine folder: init never empties a folder that
# is not a machine, makes an existing machine afresh only with --force, and a
# machine.cfg with a broken drive entry stops every command with an error
# naming the file and line.
source "$(dirname "$0")/lib.bash" "$@"

# Runs winbox; fails unless it exits 2 with the message on standard error.
expect_refusal() {
  local message=$1
  shift
  local status=0 err
  err=$("$WINBOX" "$@" 2>&1 >/dev/null) || status=$?
  [ "$status" = 2 ] || fail "winbox $* exited $status"
  expect_line "$err" "winbox: $message"
}

# A folder with someone's files is no machine: left as it is, even with --force.
mkdir -p "$WORK/mine"
echo "mine" > "$WORK/mine/notes.txt"
for force in "" --force; do
  expect_refusal "$WORK/mine is not empty and holds no machine" --machine "$WORK/mine" init $force
  [ "$(cat "$WORK/mine/notes.txt")" = mine ] || fail "the folder's file was changed (init $force)"
done

# An existing machine is kept without --force, made afresh with it.
box init
echo "kept" > "$(box path 'C:\KEEP.TXT')"
expect_refusal "$WORK/machine holds a machine already (init --force makes it afresh)" --machine "$WORK/machine" init
[ "$(cat "$(box path 'C:\KEEP.TXT')")" = kept ] || fail "init without --force changed the machine"
box init --force
[ ! -e "$(box path 'C:\KEEP.TXT')" ] || fail "init --force kept the old machine's file"

# A broken drive entry in machine.cfg: every command stops with its line.
config="$WORK/machine/machine.cfg"
cp "$config" "$WORK/good.cfg"
lines=$(wc -l < "$WORK/good.cfg")
check_entry() {
  cp "$WORK/good.cfg" "$config"
  printf '%s\n' "$1" >> "$config"
  expect_refusal "$config:$((lines + 1)): $2" --machine "$WORK/machine" reg
}
check_entry 'drive.D.path=' 'drive D: has no folder'
check_entry 'drive.D.path=media' 'drive D: folder media is not an absolute path'
check_entry "drive.D.path=$WORK/none" "drive D: folder $WORK/none is not a folder"
check_entry 'drive.D.free-mb=100' 'drive D: has no folder'
cp "$WORK/good.cfg" "$config"
box reg >/dev/null || fail "the machine does not open again with its own settings"
echo "passed"
