#!/usr/bin/env bash
# metadata: the desktop entry and the AppStream metainfo validate.
# deb: CPack makes the package from this build; lintian finds no error in it;
# it holds every file an installed copy needs; unpacked into a scratch folder,
# its pelto-cli runs and its man pages render.
#   package_test.sh metadata|deb BUILD_DIR SOURCE_DIR METAINFO
# Exits 77 (a skip for CTest) when a tool it needs is missing.
set -uo pipefail

what=$1 build=$2 source=$3 metainfo=$4
fail() { echo "FAIL: $*" >&2; exit 1; }
need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"; exit 77; }
  done
}

if [ "$what" = metadata ]; then
  need desktop-file-validate appstreamcli
  desktop-file-validate "$source/resources/pelto.desktop" || fail "the desktop entry does not validate"
  appstreamcli validate --no-net "$metainfo" || fail "the metainfo does not validate"
  echo "PASS: desktop entry and metainfo"
  exit 0
fi

need cpack dpkg-deb dpkg-shlibdeps lintian man
work=$(mktemp -d "${TMPDIR:-/tmp}/pelto-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/cpack" >"$work/cpack.log" 2>&1) \
  || fail "cpack: $(tail -n 5 "$work/cpack.log")"
debs=("$work"/cpack/pelto_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || fail "cpack made no pelto_*.deb: $(ls "$work/cpack")"

dpkg-deb -f "$deb" Package Section Depends
dpkg-deb -f "$deb" Depends | grep -q 'fonts-ipafont-gothic' || fail "the package does not depend on the font"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "the dependencies were not computed from the binaries"

contents=$(dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|')
for file in /usr/bin/pelto /usr/bin/pelto-cli /usr/share/pelto/PELTO.HLP \
    /usr/share/applications/pelto.desktop \
    /usr/share/icons/hicolor/scalable/apps/pelto.svg /usr/share/icons/hicolor/64x64/apps/pelto.png \
    "/usr/share/metainfo/$(basename "$metainfo")" \
    /usr/share/man/man1/pelto.1.gz /usr/share/man/man1/pelto-cli.1.gz \
    /usr/share/doc/pelto/copyright /usr/share/doc/pelto/changelog.gz; do
  grep -qx -- "$file" <<<"$contents" || fail "the package lacks $file"
done

lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
cat "$work/lintian.log"
grep -q '^E: ' "$work/lintian.log" && fail "lintian reports errors"

root="$work/root"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
stats=$("$root/usr/bin/pelto-cli" stats "$source/samples/sample.log") || fail "the packaged pelto-cli does not run"
[ "$stats" = "$("$build/src/cli/pelto-cli" stats "$source/samples/sample.log")" ] \
  || fail "the packaged pelto-cli counts differently: $stats"
for page in pelto pelto-cli; do
  rendered=$(MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1.gz" 2>"$work/man.err") \
    || fail "man -l $page.1.gz: $(cat "$work/man.err")"
  [ -s "$work/man.err" ] && fail "man -l $page.1.gz warns: $(cat "$work/man.err")"
  grep -q "EXIT STATUS" <<<"$rendered" || fail "$page.1 renders without its EXIT STATUS section"
done
echo "PASS: $(basename "$deb")"
