#!/usr/bin/env bash
# Builds the viewer and opens the sample conference log in it.
# Extra arguments go to pelto after the file name.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PELTO_BUILD_DIR:-$root/build}  # another folder for side-by-side builds

"$root/scripts/install-deps.sh"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2 --target pelto

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run-sample: no display found (DISPLAY is not set); try: xvfb-run -a $0" >&2
  exit 1
fi
exec "$build/src/app/pelto" "$root/samples/sample.log" "$@"
