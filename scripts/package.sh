#!/usr/bin/env bash
# Builds a Release tree and makes the Debian package pelto_<version>_<arch>.deb
# with CPack, in the folder it is run from:
#   scripts/package.sh            then   sudo apt install ./pelto_*.deb
# Environment: PELTO_PACKAGE_BUILD_DIR (default build-package/); the maintainer
# named in the package comes from DEBFULLNAME and DEBEMAIL, else from git's
# user.name and user.email.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PELTO_PACKAGE_BUILD_DIR:-$root/build-package}
out=$(pwd)

"$root/scripts/install-deps.sh"

name=${DEBFULLNAME:-$(git -C "$root" config user.name 2>/dev/null || true)}
email=${DEBEMAIL:-$(git -C "$root" config user.email 2>/dev/null || true)}
maintainer=()
[ -n "$name" ] && [ -n "$email" ] && maintainer=(-DPELTO_MAINTAINER="$name <$email>")

# Debian's hardening flags: fortified functions, stack protector, relocations
# read-only and bound at start.
export DEB_BUILD_MAINT_OPTIONS=${DEB_BUILD_MAINT_OPTIONS:-hardening=+bindnow}
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

echo "== build (Release) in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DPELTO_BUILD_TESTS=OFF -DPELTO_BUILD_BENCH=OFF "${maintainer[@]}" >/dev/null
cmake --build "$build" -j 2

echo "== package"
rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B "$build/package" >/dev/null)
debs=("$build"/package/pelto_*.deb)
[ -f "${debs[0]}" ] || { echo "package.sh: cpack made no package" >&2; exit 1; }
cp "${debs[@]}" "$out/"
for deb in "${debs[@]}"; do echo "$out/$(basename "$deb")"; done
