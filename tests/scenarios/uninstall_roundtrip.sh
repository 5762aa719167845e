#!/usr/bin/env bash
# Installs the sample product, removes it through Add/Remove Programs,
# restarts, and finds the machine as it was before the installation: under
# the newer shell with delayed deletions, and under the older shell with
# Program Manager and WININIT.INI.
source "$(dirname "$0")/lib.bash" "$@"
sample_media
printf 'press next\ncheck 1005 on\npress next\npress finish\n' > "$WORK/install-new"
printf 'press next\npress next\npress finish\n' > "$WORK/install-old"
printf 'answer ok\npress 2\n' > "$WORK/remove"

# What can be compared of a machine: its files and folders, its registry and
# Program Manager's groups.
snapshot() {
  (cd "$WORK/machine/C" && find . | LC_ALL=C sort)
  box reg
  box progman
}

round_trip() {
  local shell=$1 delayed=$2
  box init --force --shell "$shell" --delayed-delete "$delayed"
  box mount D: "$WORK/media"
  if [ "$delayed" = no ]; then
    # Another program's pending rename, in a file ending in the DOS end-of-file mark.
    printf 'other' > "$(box path 'C:\OTHER.OLD')"
    printf '[Rename]\r\nC:\\OTHER.NEW=C:\\OTHER.OLD\x1a' > "$(box path 'C:\WINDOWS\WININIT.INI')"
  fi
  snapshot > "$WORK/before"

  # The program's exit code is 1 whatever happened; the transcript tells.
  box run --script "$WORK/install-$shell" 'D:\SETUP.EXE' > "$WORK/install.log" || true
  expect_line "$(cat "$WORK/install.log")" 'text 1008 "インストールが完了しました。「完了」を押すと起動します。"'
  box arp | grep -qxF '  DisplayName: サンプル表計算' || fail "no Add/Remove Programs entry after installing"

  out=$(box arp remove --script "$WORK/remove" '表計算ソフト') || true
  expect_line "$out" 'text 1010 "サンプル表計算は正常に削除されました。"'
  [ -f "$(box path 'C:\WINDOWS\SYSTEM\SETUP.EXE')" ] || fail "the hand-off copy is not in the system directory"

  out=$(box reboot)
  expect_line "$out" 'deleted C:\WINDOWS\SYSTEM\SETUP.EXE'
  if [ "$delayed" = no ]; then
    # The other program's rename is carried out too; it is undone for the comparison.
    expect_line "$out" 'renamed C:\OTHER.OLD to C:\OTHER.NEW'
    mv "$(box path 'C:\OTHER.NEW')" "$(box path 'C:\OTHER.OLD')"
    # The restart renamed the file it carried out: the only difference.
    [ -f "$(box path 'C:\WINDOWS\WININIT.BAK')" ] || fail "WININIT.INI was not carried out"
    mv "$(box path 'C:\WINDOWS\WININIT.BAK')" "$(box path 'C:\WINDOWS\WININIT.INI')"
    : > "$(box path 'C:\WINDOWS\WININIT.INI')"
  fi
  snapshot > "$WORK/after"
  diff -u "$WORK/before" "$WORK/after" || fail "the machine differs after the round trip ($shell shell)"
}

round_trip new yes
round_trip old no
echo "passed"
