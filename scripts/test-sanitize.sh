#!/usr/bin/env bash
# Builds Pelto with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/
# and runs every test there. Exits non-zero when the build or any test fails.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PELTO_ASAN_BUILD_DIR:-$root/build-asan}
jobs=2

"$root/scripts/install-deps.sh"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPELTO_SANITIZE=ON -DPELTO_BUILD_BENCH=OFF
build_status=0
cmake --build "$build" -j "$jobs" -- -k 0 || build_status=$?

runtime=$(mktemp -d "${TMPDIR:-/tmp}/pelto-asan-runtime.XXXXXX")
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$runtime"
# Qt keeps some allocations until exit on purpose, so leak reports would be noise
# (and strict_string_checks trips over libxkbcommon's strndup in a real window);
# every other finding stops the test that made it.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

cd "$build"
test_status=0
ctest --output-on-failure -j "$jobs" || test_status=$?

if [ "$build_status" -ne 0 ]; then
  echo "test-sanitize.sh: the build failed (status $build_status)" >&2
  exit 1
fi
if [ "$test_status" -ne 0 ]; then
  echo "test-sanitize.sh: tests failed under the sanitizers" >&2
else
  echo "test-sanitize.sh: every test passed under AddressSanitizer and UndefinedBehaviorSanitizer"
fi
exit "$test_status"
