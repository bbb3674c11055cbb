#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks the installed layout; then,
# with the prefix not writable for the user who runs it, starts the installed
# viewer in an X server, ends it with Q, and checks that its settings and side
# files went to $XDG_CONFIG_HOME/pelto/ and nothing to the install folder.
#   install_test.sh BUILD_DIR DOCUMENT
# Run as root, the viewer runs as the user "nobody" (root may write anywhere);
# otherwise the prefix is made read-only. The window part exits 77 (a skip for
# CTest) when Xvfb or xdotool is missing, after the layout was checked.
set -uo pipefail

build=$1 source_document=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/pelto-install.XXXXXX")
chmod 755 "$work"
xvfb_pid="" pelto_pid=""
cleanup() {
  [ -n "$pelto_pid" ] && kill "$pelto_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/prefix"
"${CMAKE_COMMAND:-cmake}" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 \
  || fail "cmake --install: $(tail -n 5 "$work/install.log")"

for file in bin/pelto bin/pelto-cli; do
  [ -x "$prefix/$file" ] || fail "$file is not installed as a program"
done
cmp -s "$prefix/share/pelto/PELTO.HLP" "$(dirname "$0")/../../src/app/PELTO.HLP" \
  || fail "PELTO.HLP is not installed in share/pelto, where the Help menu looks"
desktop="$prefix/share/applications/pelto.desktop"
[ -f "$desktop" ] || fail "no desktop entry"
grep -qx 'Exec=pelto %f' "$desktop" || fail "the desktop entry does not pass the file to pelto"
grep -q '^MimeType=.*text/plain;' "$desktop" || fail "the desktop entry does not offer to open text files"
grep -qx 'Icon=pelto' "$desktop" || fail "the desktop entry names no icon"
[ -f "$prefix/share/icons/hicolor/scalable/apps/pelto.svg" ] || fail "no scalable icon"
[ -f "$prefix/share/icons/hicolor/64x64/apps/pelto.png" ] || fail "no 64x64 icon"
# The installed command-line tool runs from its new place.
printf 'abc\r\nxyz\r\n' >"$work/probe.txt"
[ "$("$prefix/bin/pelto-cli" stats "$work/probe.txt")" = "2 2" ] || fail "installed pelto-cli does not run"
echo "layout: ok"

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed; window part not run"; exit 77; }
done

# Who runs the viewer, and how the install folder becomes unwritable for them.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || { echo "SKIP: setpriv is missing; cannot drop root"; exit 77; }
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
  runner=nobody
else
  chmod -R a-w "$prefix/bin"
  runner=$(id -un)
fi
home="$work/home"
mkdir -p "$home/docs" "$home/runtime"
document="$home/docs/log.txt"
cp "$source_document" "$document"
chmod 700 "$home/runtime"
[ "$(id -u)" -eq 0 ] && chown -R nobody:nogroup "$home"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
display=":$(head -n 1 "$work/display")"

# (The sanitizer build's options pass through, or its leak report of the
# desktop libraries would end the viewer with status 1.)
env -i PATH="$PATH" DISPLAY="$display" HOME="$home" XDG_CONFIG_HOME="$home/config" \
  ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} ${UBSAN_OPTIONS:+UBSAN_OPTIONS="$UBSAN_OPTIONS"} \
  XDG_RUNTIME_DIR="$home/runtime" "${as_user[@]}" "$prefix/bin/pelto" "$document" \
  2>"$work/pelto.err" &
pelto_pid=$!

export DISPLAY="$display"
# wait_focus GLOB: focuses the visible window whose caption matches (there is
# no window manager to do it); bounded to 20 seconds.
wait_focus() {
  local id name
  for _ in $(seq 200); do
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
      name=$(xdotool getwindowname "$id" 2>/dev/null) || continue
      # shellcheck disable=SC2053
      if [[ $name == $1 ]]; then
        xdotool windowfocus --sync "$id" 2>/dev/null && { sleep 0.2; return 0; }
      fi
    done
    sleep 0.1
  done
  fail "no window '$1' came up; pelto said: $(head -c 300 "$work/pelto.err")"
}
wait_focus "Pelto (ﾒｲﾝ)*"
xdotool key --clearmodifiers q
wait_focus "情報"
xdotool key --clearmodifiers y
for _ in $(seq 200); do kill -0 "$pelto_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pelto_pid" 2>/dev/null && fail "the viewer did not end"
wait "$pelto_pid" || fail "the viewer ended with status $?"
pelto_pid=""

settings="$home/config/pelto/pelto.INI"
[ -f "$settings" ] || fail "no settings in \$XDG_CONFIG_HOME/pelto (run as $runner): $(ls -R "$home/config" 2>&1)"
grep -q "^1=$document\$" <(tr -d '\r' <"$settings") || fail "the recent-file list was not written there"
grep -q "^1=000001 : $document\$" <(tr -d '\r' <"$settings") || fail "the resume point was not written there"
extra=$(ls "$prefix/bin" | grep -v -x -e pelto -e pelto-cli)
[ -z "$extra" ] || fail "files were written into the install folder: $extra"
echo "PASS: installed layout, and settings under \$XDG_CONFIG_HOME/pelto for $runner"
