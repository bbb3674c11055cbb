#!/usr/bin/env bash
# Takes the README's pictures: the main window, the tree list and the thread
# viewer on samples/sample.log, in a private X server.
#   docs/make-screenshots.sh [PELTO]    (default build/src/app/pelto)
# Needs Xvfb, xdotool, xwd and ImageMagick's /usr/bin/convert.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
pelto=${1:-$root/build/src/app/pelto}
work=$(mktemp -d "${TMPDIR:-/tmp}/pelto-shots.XXXXXX")
xvfb_pid="" pelto_pid=""
cleanup() {
  [ -n "$pelto_pid" ] && kill "$pelto_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work" "$logs"
}
trap cleanup EXIT

# The document's name shows in the pictures: give it a plain one.
logs=${TMPDIR:-/tmp}/pelto-sample
mkdir -p "$work/bin" "$work/runtime" "$logs"
chmod 700 "$work/runtime"
cp "$pelto" "$work/bin/pelto"
cp "$root/src/app/PELTO.HLP" "$work/bin/"
cp "$root/samples/sample.log" "$logs/sample.log"
# Windows wide enough for 80 columns of the default font.
{
  for section in FormMain FormTree FormView; do
    printf '[%s]\nMem=1\nLeft=0\nTop=0\nWidth=800\nHeight=480\n' "$section"
  done
} >"$work/bin/pelto.INI"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")" XDG_RUNTIME_DIR="$work/runtime"
unset QT_QPA_PLATFORM

# focus GLOB: gives the keyboard focus to the window whose caption matches (no
# window manager runs here) and prints its id.
focus() {
  local id name
  for _ in $(seq 200); do
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
      name=$(xdotool getwindowname "$id" 2>/dev/null) || continue
      # shellcheck disable=SC2053
      if [[ $name == $1 ]]; then
        xdotool windowfocus --sync "$id" 2>/dev/null || continue
        sleep 0.5
        echo "$id"
        return 0
      fi
    done
    sleep 0.1
  done
  echo "no window '$1'" >&2
  exit 1
}
shoot() {  # WINDOW NAME
  xwd -silent -id "$1" | /usr/bin/convert xwd:- -strip -colors 64 "PNG8:$root/docs/$2.png"
  echo "docs/$2.png"
}
key() { xdotool key --clearmodifiers --delay 80 "$@"; }

(cd "$logs" && exec "$work/bin/pelto" "$logs/sample.log") &
pelto_pid=$!
main=$(focus "Pelto (ﾒｲﾝ)*")
xdotool mousemove 1000 700
key j; focus "Pelto (ｼﾞｬﾝﾌﾟ)" >/dev/null
xdotool type --delay 80 140; key Return
main=$(focus "Pelto (ﾒｲﾝ)*")
shoot "$main" main-window

key x; focus "Pelto (ﾒｯｾｰｼﾞ)" >/dev/null; key space
focus "Pelto (ﾒｲﾝ)*" >/dev/null
key z; tree=$(focus "Pelto (ﾂﾘｰ表示)")
key Down Down Down Down Down Down
sleep 0.3
shoot "$tree" tree-list

key shift+Return; viewer=$(focus "Pelto (ﾂﾘｰ発言)")
shoot "$viewer" thread-viewer
key Escape
