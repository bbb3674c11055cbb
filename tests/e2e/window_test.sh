#!/usr/bin/env bash
# Drives the real viewer in an X server with real key events (XTest, through
# xdotool): open, jump, resume store, title extraction and list, tree build,
# tree list and thread viewer, search and repeat search, exit with resume, a
# second start that returns to the resume line, and exit again. Checks the
# side files and the settings the program leaves beside a copy of its
# executable against pelto-cli run on the same document.
#   window_test.sh PELTO PELTO_CLI HELP_FILE DOCUMENT
# Exits 77 (a skip for CTest) when Xvfb or xdotool is missing. Every wait is
# bounded, so a missing window fails the step instead of hanging.
set -uo pipefail

pelto_built=$1 cli=$2 help_file=$3 source_document=$4

for tool in Xvfb xdotool; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/pelto-e2e.XXXXXX")
xvfb_pid="" pelto_pid=""
cleanup() {
  [ -n "$pelto_pid" ] && kill "$pelto_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  if [ "${KEEP_E2E:-0}" = 1 ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

step="start"
fail() {
  echo "FAIL at step '$step': $*" >&2
  if [ -n "$pelto_pid" ] && kill -0 "$pelto_pid" 2>/dev/null; then
    echo "windows shown:" >&2
    xdotool search --onlyvisible --name 'Pelto' 2>/dev/null | while read -r id; do
      echo "  $(xdotool getwindowname "$id" 2>/dev/null)" >&2
    done
  fi
  [ -s "$work/pelto.err" ] && { echo "pelto stderr:" >&2; tail -n 20 "$work/pelto.err" >&2; }
  exit 1
}

# The program and its side files live in one folder of their own.
bin="$work/bin"
mkdir -p "$bin" "$work/docs" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
cp "$pelto_built" "$bin/pelto"
cp "$help_file" "$bin/PELTO.HLP"
document="$work/docs/conference log.txt"   # a blank in the name must survive
cp "$source_document" "$document"
ini="$bin/pelto.INI"

# ---- expected values from the core, through pelto-cli ----------------------
read -r line_count row_count < <("$cli" stats "$document") || fail "pelto-cli stats"
"$cli" rows "$document" >"$work/rows" || fail "pelto-cli rows"
# row_of_line N: first 0-based row of 0-based line N (RowCount past the end).
row_of_line() {
  awk -v line="$1" -v count="$row_count" \
    '$1 == line { print NR - 1; found = 1; exit } END { if (!found) print count }' "$work/rows"
}
# line_of_row R: 0-based line shown by 0-based row R.
line_of_row() { awk -v row="$1" 'NR == row + 1 { print $1; exit }' "$work/rows"; }

# ini_get SECTION KEY: the value as the program reads it (names ignore ASCII
# case, first match wins, one pair of enclosing quotes stripped).
ini_get() {
  awk -v section="$1" -v key="$2" '
    BEGIN { section = tolower(section); key = tolower(key) }
    { sub(/\r$/, "") }
    /^\[/ { name = $0; sub(/^\[/, "", name); sub(/\].*$/, "", name); inside = (tolower(name) == section); next }
    inside {
      eq = index($0, "="); if (eq == 0) next
      k = substr($0, 1, eq - 1); gsub(/^[ \t]+|[ \t]+$/, "", k)
      if (tolower(k) != key) next
      v = substr($0, eq + 1); gsub(/^[ \t]+|[ \t]+$/, "", v)
      if (length(v) >= 2 && substr(v, 1, 1) == "\"" && substr(v, length(v)) == "\"") v = substr(v, 2, length(v) - 2)
      print v; found = 1; exit
    }
    END { exit found ? 0 : 1 }' "$ini"
}
expect_ini() {   # SECTION KEY EXPECTED
  local value
  value=$(ini_get "$1" "$2") || fail "[$1] $2 is missing from pelto.INI"
  [ "$value" = "$3" ] || fail "[$1] $2 is '$value', expected '$3'"
}
resume_entry() { printf '%06d : %s' "$1" "$document"; }

# ---- the X server ----------------------------------------------------------
step="X server"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.err" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(head -c 300 "$work/xvfb.err")"
export DISPLAY=":$(head -n 1 "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config"

# ---- helpers that wait, each bounded ----------------------------------------
# wait_until SECONDS COMMAND...: polls every 0.1 s.
wait_until() {
  local deadline=$(( $(date +%s%N) + $1 * 1000000000 )); shift
  until "$@"; do
    [ "$(date +%s%N)" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}
focused_title() { xdotool getwindowfocus getwindowname 2>/dev/null; }
# find_window GLOB: the id of the last shown window whose caption matches.
find_window() {
  local id name found=""
  for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    name=$(xdotool getwindowname "$id" 2>/dev/null) || continue
    # shellcheck disable=SC2053  # GLOB is a pattern on purpose
    [[ $name == $1 ]] && found=$id
  done
  [ -n "$found" ] && echo "$found"
}
not_shown() { [ -z "$(find_window "$1")" ]; }
# There is no window manager: like one, give the keyboard focus to the window
# that should have it once it is shown. Keys then travel as real key events.
focus_window() {
  local found
  found=$(find_window "$1") || return 1
  [ "$(xdotool getwindowfocus 2>/dev/null)" = "$found" ] && return 0
  xdotool windowfocus --sync "$found" 2>/dev/null
  [ "$(xdotool getwindowfocus 2>/dev/null)" = "$found" ]
}
# back_to_main GLOB: the window GLOB has closed and the main window has the focus.
back_to_main() {
  wait_until 20 not_shown "$1" || fail "window '$1' did not close"
  wait_window "Pelto (ﾒｲﾝ)*"
}
# wait_window GLOB: a window with a matching caption is shown and has the focus.
wait_window() {
  wait_until 20 focus_window "$1" || fail "no window '$1' came up (focus: '$(focused_title)')"
  sleep 0.2   # let the toolkit take the focus-in before the first key
}
main_window=""
main_title() { xdotool getwindowname "$main_window" 2>/dev/null; }
main_title_is() { [ "$(main_title)" = "$1" ]; }
expect_main_title() {
  wait_until 20 main_title_is "$1" || fail "main window title is '$(main_title)', expected '$1'"
}
press() { xdotool key --clearmodifiers --delay 60 "$@"; }
# close_notice: the message window shows a completion notice; any key closes it.
close_notice() {
  wait_window "Pelto (ﾒｯｾｰｼﾞ)"
  press space
  back_to_main "Pelto (ﾒｯｾｰｼﾞ)"
}
process_ended() { ! kill -0 "$pelto_pid" 2>/dev/null; }
# store_resume LINE: Ctrl+R, and the resume list's first entry names LINE.
store_resume() {
  press ctrl+r
  close_notice
  expect_ini ResumeFileName 1 "$(resume_entry "$1")"
}

start_pelto() {
  (cd "$work/docs" && exec "$bin/pelto" "$document") 2>>"$work/pelto.err" &
  pelto_pid=$!
  wait_window "Pelto (ﾒｲﾝ)*"
  main_window=$(xdotool getwindowfocus)
  xdotool mousemove 0 0
}
base_title="Pelto (ﾒｲﾝ)  $document  全行数 : $row_count ($line_count)"

# ---- open ----------------------------------------------------------------------
step="open"
start_pelto
expect_main_title "$base_title"

# ---- jump (J), then store the resume point (Ctrl+R) ------------------------------
step="jump"
jump_line=120
press j
wait_window "Pelto (ｼﾞｬﾝﾌﾟ)"
xdotool type --delay 60 "$jump_line"
press Return
back_to_main "Pelto (ｼﾞｬﾝﾌﾟ)"
step="resume store after jump"
store_resume "$jump_line"
expect_ini JumpLineNum 1 "$jump_line"

# ---- title extraction (S) and title list (A) -------------------------------------
step="title extraction"
rm -f "$bin/pelto.LOG"
press s
close_notice
"$cli" titles "$document" >"$work/titles.expected" || fail "pelto-cli titles"
cmp -s "$bin/pelto.LOG" "$work/titles.expected" || fail "pelto.LOG differs from pelto-cli titles"
step="title list"
title_pick=5   # the list opens on entry 0 after an extraction
[ "$(wc -l <"$work/titles.expected")" -gt $title_pick ] || fail "the document has too few titles"
press a
wait_window "Pelto (ﾀｲﾄﾙ一覧)"
for _ in $(seq $title_pick); do press Down; done
press Return
back_to_main "Pelto (ﾀｲﾄﾙ一覧)"
title_line=$(sed -n "$((title_pick + 1))p" "$work/titles.expected" | cut -c1-6)
store_resume "$((10#$title_line))"

# ---- tree build (X), thread viewer (Z, Shift+Enter), tree jump (Z, Enter) ---------
step="tree build"
rm -f "$bin"/pelto0[1-4].TXT
press x
close_notice
for level in 1 2 3; do
  "$cli" tree --level $level "$document" >"$work/tree$level.expected" || fail "pelto-cli tree --level $level"
  cmp -s "$bin/pelto0$level.TXT" "$work/tree$level.expected" \
    || fail "pelto0$level.TXT differs from pelto-cli tree --level $level"
done
step="thread viewer"
tree_pick=4
[ "$(wc -l <"$work/tree3.expected")" -gt $tree_pick ] || fail "the document has too few posts"
press z
wait_window "Pelto (ﾂﾘｰ表示)"
for _ in $(seq $tree_pick); do press Down; done
press shift+Return
wait_window "Pelto (ﾂﾘｰ発言)"
"$cli" thread --index $tree_pick "$document" >"$work/thread.expected" || fail "pelto-cli thread"
cmp -s "$bin/pelto04.TXT" "$work/thread.expected" || fail "pelto04.TXT differs from pelto-cli thread"
press Escape
back_to_main "Pelto (ﾂﾘｰ発言)"
step="tree jump"
press z
wait_window "Pelto (ﾂﾘｰ表示)"
press Return   # the list opens on the entry chosen last
back_to_main "Pelto (ﾂﾘｰ表示)"
tree_line=$(sed -n "$((tree_pick + 1))p" "$work/tree3.expected" | cut -c1-6)
store_resume "$((10#$tree_line))"

# ---- search (F) and repeat (N) -------------------------------------------------
step="search"
pattern="95/05"
top_row=$(( $(row_of_line "$((10#$tree_line))") - 1 ))
read -r hit_row hit_position < <("$cli" find --top "$top_row" "$pattern" "$document") \
  || fail "pelto-cli find found no '$pattern' below row $top_row"
press f
wait_window "Pelto (検索)"
xdotool type --delay 60 "$pattern"
press Return
back_to_main "Pelto (検索)"
hit_caption() {  # ROW POSITION: the caption after a hit in 0-based ROW
  echo "$base_title  検索行 : $(($1 + 1)) ($(( $(line_of_row "$1") + 1 )))  検索位置 : $2"
}
expect_main_title "$(hit_caption "$hit_row" "$hit_position")"
expect_ini FindStrName 1 "$pattern"
step="repeat search"
read -r next_row next_position < <("$cli" find --top "$((hit_row + 1))" "$pattern" "$document") \
  || fail "pelto-cli find found no second '$pattern'"
press n
expect_main_title "$(hit_caption "$next_row" "$next_position")"
wait_window "Pelto (ﾒｲﾝ)*"   # the hit pause window has closed again

# ---- exit with Escape: asks, then stores the resume point -----------------------
step="exit with Escape"
press Escape
wait_window "情報"           # the question "終了しますか。"
press y
wait_until 20 process_ended || fail "the program did not end after Escape and Yes"
wait "$pelto_pid"; status=$?
pelto_pid=""
[ $status -eq 0 ] || fail "exit status $status"
resume_line=$(( $(line_of_row "$next_row") + 1 ))
expect_ini ResumeFileName 1 "$(resume_entry "$resume_line")"
expect_ini OpenFileName 1 "$document"
for section in FormMain; do
  for key in Left Top Width Height; do
    value=$(ini_get "$section" "$key") || fail "[$section] $key was not written at exit"
    [[ $value =~ ^-?[0-9]+$ ]] || fail "[$section] $key is '$value'"
  done
done
ini_get ShioriStrName 1 >/dev/null || fail "the emptied bookmark list was not written at exit"
[ -z "$(ini_get ShioriStrName 1)" ] || fail "a bookmark outlived the program"

# ---- a second start returns to the resume line; Q ends without a resume request --
step="second start"
start_pelto
expect_main_title "$base_title"
step="resume jump at start"
store_resume "$resume_line"
step="exit with Q"
press t        # to the top, so the stored point shows what shutdown wrote
press q
wait_window "情報"
press y
wait_until 20 process_ended || fail "the program did not end after Q and Yes"
wait "$pelto_pid"; status=$?
pelto_pid=""
[ $status -eq 0 ] || fail "exit status $status"
# "store a resume record at shutdown" is on by default, so Q still stores one.
expect_ini ResumeFileName 1 "$(resume_entry 1)"
[ -z "$(ini_get ResumeFileName 2)" ] || fail "one document holds two resume entries"

# Nothing was written anywhere but beside the executable.
[ -z "$(ls -A "$work/config")" ] || fail "files were written under XDG_CONFIG_HOME: $(ls -A "$work/config")"
[ "$(ls "$work/docs")" = "conference log.txt" ] || fail "files appeared beside the document: $(ls "$work/docs")"
cmp -s "$document" "$source_document" || fail "the document was changed"

echo "PASS: open, jump, resume, titles, tree, thread viewer, search, exit and restart"
