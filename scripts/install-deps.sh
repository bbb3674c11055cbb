#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing, packaging and benchmarking
# Pelto need.
# Prints nothing and changes nothing when they are all present.
set -euo pipefail

packages=(
  cmake ninja-build g++ ccache pkg-config
  qt6-base-dev qt6-translations-l10n libgl-dev
  libgtest-dev libbenchmark-dev
  fonts-ipafont-gothic
  xvfb xauth x11-apps x11-utils imagemagick xdotool openbox
  time
  dpkg-dev lintian desktop-file-utils appstream man-db
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  if [ "$status" != "installed" ]; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "install-deps: need root (or sudo) to install: ${missing[*]}" >&2
    exit 1
  fi
  sudo=(sudo -n)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq < /dev/null
"${sudo[@]}" apt-get install -y -qq "${missing[@]}" < /dev/null
