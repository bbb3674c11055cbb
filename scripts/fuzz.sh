#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each of them
# for SECONDS (default 600), two at a time, at low priority.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     targets: text layout ini titles tree thread
# New inputs go to build-fuzz/corpus/<target>/ (the seeds in tests/fuzz/corpus/
# are read, never written); a failing input is saved as
# build-fuzz/artifacts/<target>/crash-*.  Exits non-zero when a target failed.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PELTO_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-600}
shift || true
all_targets=(text layout ini titles tree thread)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")
parallel=${PELTO_FUZZ_PARALLEL:-2}

# clang and its runtime (libFuzzer, the sanitizers) from Debian's packages.
missing=()
for package in clang libclang-rt-14-dev cmake ninja-build ccache; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "fuzz.sh: installing ${missing[*]}"
  sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo -n)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq < /dev/null
  "${sudo[@]}" apt-get install -y -qq "${missing[@]}" < /dev/null > /dev/null
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DPELTO_BUILD_FUZZ=ON -DPELTO_BUILD_UI=OFF -DPELTO_BUILD_TESTS=OFF -DPELTO_BUILD_BENCH=OFF > /dev/null
cmake --build "$build" -j 2 --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_one() {
  local target=$1
  local corpus=$build/corpus/$target artifacts=$build/artifacts/$target
  mkdir -p "$corpus" "$artifacts"
  local seeds=$root/tests/fuzz/corpus/$target
  [ -d "$seeds" ] || seeds=
  nice -n 10 "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=20 \
    -max_len=4096 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" ${seeds:+"$seeds"} > "$build/fuzz_$target.log" 2>&1
}

declare -A status
pids=()
names=()
for target in "${targets[@]}"; do
  echo "fuzz.sh: running $target for ${seconds}s"
  run_one "$target" &
  pids+=($!)
  names+=("$target")
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
done
for i in "${!pids[@]}"; do
  if wait "${pids[$i]}"; then status[${names[$i]}]=0; else status[${names[$i]}]=$?; fi
done

echo
echo "fuzz.sh: summary (${seconds}s each)"
failed=0
for target in "${targets[@]}"; do
  log=$build/fuzz_$target.log
  runs=$( (grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" || true) | grep -o '[0-9]*$' || echo "?")
  cov=$( (grep -o 'cov: [0-9]*' "$log" || true) | tail -1 | grep -o '[0-9]*' || echo "?")
  crashes=$( (find "$build/artifacts/$target" -type f 2>/dev/null || true) | wc -l)
  if [ "${status[$target]}" -eq 0 ]; then
    result=clean
  else
    result="FAILED (status ${status[$target]}, see $log)"
    failed=1
  fi
  printf '  %-7s %-8s runs %-10s coverage %-6s saved failing inputs %s\n' "$target" "$result" "$runs" "$cov" "$crashes"
done
exit "$failed"
