#!/usr/bin/env bash
# Switching between running copies in an X server with a window manager that
# prevents focus stealing (openbox): F2 and a choice in F3's list leave the
# chosen copy active and holding the keyboard focus, also while a third copy
# is hung and never answers.
#   instances_test.sh PELTO DOCUMENT
# Exits 77 (a skip for CTest) when Xvfb, openbox or xdotool is missing.
set -uo pipefail

pelto=$1 source_document=$2

for tool in Xvfb openbox xdotool xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/pelto-copies.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -CONT "$pid" 2>/dev/null; kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$work/bin" "$work/runtime" "$work/config"
chmod 700 "$work/runtime"
cp "$pelto" "$work/bin/pelto"
for name in one two three; do cp "$source_document" "$work/$name.log"; done

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config"
openbox >/dev/null 2>&1 &
pids+=($!)

wait_until() {   # SECONDS COMMAND...
  local deadline=$(( $(date +%s%N) + $1 * 1000000000 )); shift
  until "$@"; do
    [ "$(date +%s%N)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until 10 wm_running || fail "openbox did not start"
# active_is NAME: the window manager's active window and the keyboard focus
# are both the main window of the copy showing NAME.log.
active_is() {
  local active focus
  active=$(xdotool getactivewindow getwindowname 2>/dev/null) || return 1
  focus=$(xdotool getwindowfocus getwindowname 2>/dev/null) || return 1
  [[ $active == "Pelto (ﾒｲﾝ)  $work/$1.log"* && $focus == "$active" ]]
}
expect_active() {
  wait_until 10 active_is "$1" || fail "$2: active '$(xdotool getactivewindow getwindowname 2>/dev/null)'," \
    "focus '$(xdotool getwindowfocus getwindowname 2>/dev/null)', expected the copy of $1.log"
}
press() { sleep 0.3; xdotool key --delay 80 "$@"; }

for name in one two three; do
  "$work/bin/pelto" "$work/$name.log" 2>>"$work/pelto.err" &
  pids+=($!)
  expect_active "$name" "start of $name"
done
three_pid=${pids[-1]}

# F2 goes to the copy used before this one.
press F2
expect_active two "F2 from three"
press F2
expect_active three "F2 from two"

# A hung copy does not stop the others: F2 from two skips it.
press F2
expect_active two "F2 from three, second time"
kill -STOP "$three_pid"
press F2
expect_active one "F2 beside a hung copy"
kill -CONT "$three_pid"

# F3 lists this copy first, then the others by last use; Enter on the third
# line chooses the copy used longest ago.
press F3
wait_until 10 bash -c '[[ $(xdotool getactivewindow getwindowname) == "Pelto (Pelto 一覧)" ]]' ||
  fail "F3 showed no list"
press Down Down Return
expect_active three "choice in F3's list"
echo "PASS"
