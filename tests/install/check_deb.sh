#!/usr/bin/env bash
# Builds the Debian package with cpack and checks its contents and that its
# dependencies were found from the linked shared libraries.
# Usage: check_deb.sh BUILD_DIR [OUT_DIR]  (OUT_DIR kept, else a temporary one)
set -euo pipefail
build=$(cd "$1" && pwd)
out=${2:-}
if [ -z "$out" ]; then
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
fi
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null || fail "cpack -G DEB"
deb=$(ls "$out"/tessivo_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libmpg123-0 libsdl2-2.0-0 libspeexdsp1 libc6; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
files=$(dpkg-deb -c "$deb")
for f in ./usr/bin/tessivo ./usr/bin/tessivo-cli ./usr/share/tessivo/tessivo.html \
         ./usr/share/applications/org.tessivo.Tessivo.desktop \
         ./usr/share/metainfo/org.tessivo.Tessivo.metainfo.xml \
         ./usr/share/man/man1/tessivo-cli.1; do
  grep -q " $f\$" <<<"$files" || fail "$f is not in the package"
done
echo "$deb"
echo "Depends: $depends"
