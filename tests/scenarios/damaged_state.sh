#!/usr/bin/env bash
# A state file of the machine that winbox cannot read whole (the registry,
# Program Manager's groups, the free-space ledger) stops it with exit code 2
# and a message naming the file and the line, and is never written over: not
# by the commands that read it, not by an installation.
source "$(dirname "$0")/lib.bash" "$@"
sample_media
printf 'press next\ncheck 1005 on\npress next\npress finish\n' > "$WORK/install-new"
printf 'press next\npress next\npress finish\n' > "$WORK/install-old"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\New]\n"V"="1"\n' > "$WORK/new.reg"
what=""  # the damage being tried

# Runs a winbox command over the damaged state file NAME: it must stop with
# exit code 2 naming the file and LINE, and leave the file byte for byte.
expect_stop() {
  local name=$1 line=$2
  shift 2
  local file="$WORK/machine/state/$name" status=0 err
  cp "$file" "$WORK/damaged"
  err=$(box "$@" 2>&1 >/dev/null) || status=$?
  [ "$status" = 2 ] || fail "winbox $* over $name with $what: exit code $status"
  grep -qF "$file line $line: " <<<"$err" || fail "winbox $* over $name with $what did not name line $line: $err"
  cmp -s "$WORK/damaged" "$file" || fail "winbox $* wrote over $name with $what"
}

# A fresh machine whose state file NAME holds TEXT (printf format).
damaged_machine() {
  local shell=$1 name=$2 text=$3
  rm -rf "$WORK/machine"
  box init --shell "$shell"
  box mount D: "$WORK/media"
  # shellcheck disable=SC2059
  printf "$text" > "$WORK/machine/state/$name"
}

kept='[HKEY_CURRENT_USER\\Software\\Kept]\n"V"="1"\n'
while IFS="|" read -r -u 3 what line text; do
  damaged_machine new registry.reg "$text"
  for command in "reg" "reg HKEY_CURRENT_USER\\Software\\Kept" "arp"; do
    # shellcheck disable=SC2086
    expect_stop registry.reg "$line" $command
  done
  expect_stop registry.reg "$line" reg import "$WORK/new.reg"
  expect_stop registry.reg "$line" run --script "$WORK/install-new" 'D:\SETUP.EXE'
done 3<<EOF
a UTF-8 byte-order mark|1|\xef\xbb\xbfREGEDIT4\n\n$kept\n
a line in the middle|5|REGEDIT4\n\n$kept"W"=nonsense\n"X"="2"\n\n
cut short inside a line|5|REGEDIT4\n\n$kept"Count"=dword:0000
EOF

what="a line that is no record"
damaged_machine old progman.txt 'group\tA\nitem\tx\tC:\\X.EXE\nbogus\nactive\tA\n'
expect_stop progman.txt 3 progman
expect_stop progman.txt 3 run --script "$WORK/install-old" 'D:\SETUP.EXE'

what="a balance that is no number"
damaged_machine new disk-space 'C 512000 lots /x\n'
expect_stop disk-space 1 run --script "$WORK/install-new" 'D:\SETUP.EXE'
echo "passed"
