#!/usr/bin/env bash
# Builds Pelto in build/ and runs every test. Exits non-zero when anything fails.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PELTO_BUILD_DIR:-$root/build}  # another folder for side-by-side builds
jobs=2

"$root/scripts/install-deps.sh"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Keep going past a failing target, so the tests that did build still run and
# ctest's summary shows what is missing.
build_status=0
cmake --build "$build" -j "$jobs" -- -k 0 || build_status=$?

# Widgets run without a display, and each run gets its own runtime folder so the
# instance sockets of a desktop session never meet the tests.
runtime=$(mktemp -d "${TMPDIR:-/tmp}/pelto-test-runtime.XXXXXX")
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$runtime"

cd "$build"
test_status=0
ctest --output-on-failure -j "$jobs" || test_status=$?

if [ "$build_status" -ne 0 ]; then
  echo "test.sh: the build failed (status $build_status)" >&2
  exit 1
fi
exit "$test_status"
