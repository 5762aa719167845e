#!/usr/bin/env bash
# The terminal front end end to end: winbox runs the setup program in a real
# terminal (tmux), keys go through the wizard, and the product is installed.
source "$(dirname "$0")/lib.bash" "$@"
if ! command -v tmux >/dev/null; then
  echo "SKIP: tmux is not installed"
  exit 0
fi
sample_media
box init
box mount D: "$WORK/media"

# A tmux server of our own, gone with the test.
server="winbox-scenario-$$"
t() { tmux -L "$server" -f /dev/null "$@"; }
trap 't kill-server 2>/dev/null; rm -rf "$WORK"' EXIT

screen() { t capture-pane -p -t run; }
# Waits until the screen shows a text (fixed string), at most 20 s.
wait_for() {
  for _ in $(seq 200); do
    if screen | grep -qF -- "$1"; then return 0; fi
    sleep 0.1
  done
  fail "the screen never showed: $1
--- screen:
$(screen)"
}

t new-session -d -s run -x 80 -y 24 \
  "WINBOX_TRANSCRIPT='$WORK/transcript' '$WINBOX' --machine '$WORK/machine' run 'D:\\SETUP.EXE'; echo \$? > '$WORK/status'; sleep 600"

wait_for 'サンプル表計算のインストール先を指定してください'
wait_for '[C:\Program Files\表計算ソフト\'
wait_for 'Enter  次へ'
t send-keys -t run Enter
wait_for '[x] スタートメニューに登録する'
t send-keys -t run Tab Space
wait_for '[x] デスクトップにショットカットを作成する'
t send-keys -t run Enter
wait_for 'インストールが完了しました。'
wait_for '[ 完了 ]'
wait_for 'Enter  完了'
t send-keys -t run Enter

for _ in $(seq 200); do
  [ -s "$WORK/status" ] && break
  sleep 0.1
done
[ -s "$WORK/status" ] || fail "winbox did not end
--- screen:
$(screen)"
status=$(cat "$WORK/status")
[ "$status" != 2 ] || fail "winbox failed: $(screen)"
# The terminal is given back: no longer on the alternate screen.
[ "$(t display-message -p -t run '#{alternate_on}')" = 0 ] || fail "the terminal was not given back"

transcript=$(cat "$WORK/transcript")
expect_line "$transcript" 'check 1005 on'
expect_line "$transcript" 'press finish'
expect_line "$transcript" 'end wizard result=1'

[ -f "$(box path 'C:\Program Files\表計算ソフト\HYOKEI.EXE')" ] || fail "HYOKEI.EXE was not installed"
[ -f "$(box path 'C:\WINDOWS\ﾃﾞｽｸﾄｯﾌﾟ\サンプル表計算.lnk')" ] || fail "no desktop shortcut"
uninstall=$(box reg 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall')
grep -qF 'DisplayName' <<<"$uninstall" || fail "no uninstall registration:
$uninstall"
echo "ok"
