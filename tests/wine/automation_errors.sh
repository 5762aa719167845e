#!/usr/bin/env bash
# AUTOMATE.EXE ends a script at the first step it cannot do, with an error
# line that names the step and what was not seen, and the screen's windows;
# a wait runs out at its time limit rather than hanging.
source "$(dirname "$0")/lib.bash" "$@"
new_prefix win95

start=$SECONDS
out=$(automate_fails <<'SCRIPT'
timeout 2
platform
window "No such window"
platform
SCRIPT
)
[ $((SECONDS - start)) -lt 30 ] || fail "a 2 s wait took $((SECONDS - start)) s"
expect_line "$out" 'error: line 3 (window "No such window"): window "No such window" not seen within 2 s'
expect_line "$out" 'screen:'
[ "$(grep -c '^platform ' <<<"$out")" = 1 ] || fail "a step after the failed one ran"

# Steps that cannot be done at all, each ending its script.
while IFS='|' read -r script error; do
  out=$(printf '%s\n' "$script" | automate_fails)
  expect_line "$out" "$error"
done <<'CASES'
exit|error: line 1 (exit): no program was started
show|error: line 1 (show): no current window: a window step must come first
press 12324|error: line 1 (press 12324): no current window: a window step must come first
frobnicate 1|error: line 1 (frobnicate 1): no such step
check 1005 maybe|error: line 1 (check 1005 maybe): usage: check ID on|off
answer perhaps|error: line 1 (answer perhaps): no such answer: perhaps
arp NoSuchProduct|error: line 1 (arp NoSuchProduct): no Add/Remove Programs entry NoSuchProduct
start Z:\no\such\program.exe|error: line 1 (start Z:\no\such\program.exe): CreateProcess failed with error 2
CASES

# A message box without the asked-for button is refused, and named.
out=$(automate_fails <<'SCRIPT'
timeout 10
start D:\SETUP.EXE
window サンプル表計算のインストール先を指定してください
set 1001 D:
press next
answer yes
SCRIPT
)
grep -q '^error: line 6 (answer yes): the message box "ルートディレクトリにはインストールできません。" has no button yes; it offers 1 "[^"]*"$' <<<"$out" ||
  fail "no refusal of the missing button in:
$out"
expect_no_line "$out" 'answer=yes'
echo "passed"
