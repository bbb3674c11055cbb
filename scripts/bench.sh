#!/usr/bin/env bash
# Speed and memory of pelto-cli on a generated conference log, next to wc -l and
# grep -F on the same file, then the Google Benchmark programs.
#   scripts/bench.sh [SIZE]     SIZE as pelto-genlog takes it (default 1G)
# Environment: BENCH_DIR (default /tmp), KEEP_LOG=1 keeps the generated log,
# PELTO_BUILD_DIR (default build-release/).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PELTO_BUILD_DIR:-$root/build-release}
size=${1:-1G}
if ! [[ $size =~ ^[0-9]+[KkMmGg]?$ ]]; then
  echo "usage: scripts/bench.sh [SIZE]   (bytes, or with K, M or G: 1G, 200M)" >&2
  exit 2
fi
log="${BENCH_DIR:-/tmp}/pelto-bench-$size.log"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/pelto-bench.XXXXXX")
cleanup() {
  rm -rf "$scratch"
  [ "${KEEP_LOG:-0}" = 1 ] || rm -f "$log"
}
trap cleanup EXIT

"$root/scripts/install-deps.sh"

echo "== build (Release) in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j 2 --target pelto-genlog pelto-cli
if [ -d "$build/bench" ]; then
  cmake --build "$build" -j 2 --target bench/all 2>/dev/null || echo "(benchmark programs did not build; skipped)"
fi
genlog="$build/tools/pelto-genlog"
cli="$build/src/cli/pelto-cli"

# run LABEL COMMAND...: runs the command RUNS times (output discarded) and keeps
# the shortest wall time and the largest peak resident memory.
declare -A seconds rss
run() {
  local label=$1; shift
  local out="$scratch/out" stats="$scratch/time" status=0 best="" peak=0
  for ((attempt = 0; attempt < ${RUNS:-1}; ++attempt)); do
    local start end kb
    start=$(date +%s%N)
    /usr/bin/time -f '%M' -o "$stats" "$@" >"$out" 2>"$scratch/err" || status=$?
    end=$(date +%s%N)
    kb=$(tail -n 1 "$stats")
    local elapsed=$(( (end - start) / 1000000 ))
    if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
    if [ "$kb" -gt "$peak" ]; then peak=$kb; fi
  done
  seconds[$label]=$(awk -v ms="$best" 'BEGIN { printf "%.3f", ms / 1000 }')
  rss[$label]=$peak
  printf '%-10s %8s s %9.1f MB   %s\n' "$label" "${seconds[$label]}" "$(awk -v kb="$peak" 'BEGIN { print kb / 1024 }')" "$*"
  if [ $status -ne 0 ]; then
    echo "           exit status $status: $(head -c 300 "$scratch/err")"
  elif [ -s "$out" ]; then
    echo "           output: $(head -c 120 "$out" | head -n 2 | tr '\n' ' ')"
  fi
  return $status
}
ratio() {
  printf '%-10s %8.1f times the time of %s\n' "$1" \
    "$(awk -v a="${seconds[$1]}" -v b="${seconds[$2]}" 'BEGIN { print a / (b > 0.001 ? b : 0.001) }')" "$2"
}

echo "== generate $size"
RUNS=1 run genlog "$genlog" --size "$size" --seed 1 "$log"
ls -l "$log"

echo "== compare (best of 3: seconds, peak resident memory, command; $(uptime | sed "s/.*load/load/"))"
export RUNS=3
run wc wc -l "$log"

# A subcommand counts as present when it answers correctly on a tiny log.
probe="$scratch/probe.log"
printf 'abc\r\nxyz\r\n' >"$probe"
if [ "$("$cli" stats "$probe" 2>/dev/null)" = "2 2" ]; then
  run cli-stats "$cli" stats "$log" || true
  ratio cli-stats wc
else
  echo "pelto-cli stats: not available yet; skipped"
fi

# A pattern that occurs nowhere, so both tools read the whole file.
pattern="存在しない語句"
pattern_cp932="$scratch/pattern"
printf '%s' "$pattern" | iconv -f UTF-8 -t CP932 >"$pattern_cp932"
if [ "$("$cli" find --hex 797a "$probe" 2>/dev/null)" = "1 2" ]; then
  # grep's status 1 only says "no match"
  run grep sh -c 'LC_ALL=C grep -F -c -f "$0" "$1"; [ $? -le 1 ]' "$pattern_cp932" "$log" || true
  run cli-find "$cli" find "$pattern" "$log" || true
  ratio cli-find grep
else
  echo "pelto-cli find: not available yet; skipped"
fi

echo "== Google Benchmark programs"
found=0
if [ -d "$build/bench" ]; then
  while IFS= read -r program; do
    found=1
    echo "-- $program"
    "$program" --benchmark_counters_tabular=true || echo "(exit status $?)"
  done < <(find "$build/bench" -type f -perm -u+x ! -path '*/CMakeFiles/*' | sort)
fi
[ $found = 1 ] || echo "none built yet"
