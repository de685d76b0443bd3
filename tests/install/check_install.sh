#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop and a
# terminal user get: the files, the desktop entry and AppStream metadata as the
# validators see them, man pages that render cleanly and document every option
# the programs list, and programs that run from the prefix.
# Usage: check_install.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
id=org.tessivo.Tessivo
for f in bin/tessivo bin/tessivo-cli share/tessivo/tessivo.html \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/256x256/apps/$id.png \
         share/man/man1/tessivo.1 share/man/man1/tessivo-cli.1 \
         share/bash-completion/completions/tessivo-cli share/zsh/vendor-completions/_tessivo-cli; do
  [ -s "$prefix/$f" ] || fail "$f is not installed"
done
bash -c "source '$prefix/share/bash-completion/completions/tessivo-cli' && complete -p tessivo-cli" \
  >/dev/null || fail "the bash completion does not register"
[ -x "$prefix/bin/tessivo" ] && [ -x "$prefix/bin/tessivo-cli" ] || fail "programs not executable"

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=tessivo %f' "$prefix/share/applications/$id.desktop" || fail "Exec line"
grep -qx 'MimeType=audio/mpeg;audio/mp3;' "$prefix/share/applications/$id.desktop" || fail "MimeType line"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null \
  || fail "appstreamcli validate"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/$id.metainfo.xml" \
  || fail "metainfo release is not $version"
# Every screenshot listed is one of data/screenshots/, named as there, and a
# PNG; there is at least the default one.
shots=$(dirname "$0")/../../data/screenshots
images=$(grep -o '<image>[^<]*</image>' "$prefix/share/metainfo/$id.metainfo.xml" \
  | sed 's,<image>\(.*\)</image>,\1,')
[ -n "$images" ] || fail "the metainfo lists no screenshot"
grep -q '<screenshot type="default">' "$prefix/share/metainfo/$id.metainfo.xml" \
  || fail "no default screenshot"
for url in $images; do
  name=${url##*/}
  [ "$(file -b --mime-type "$shots/$name" 2>/dev/null)" = image/png ] \
    || fail "screenshot $name is not a PNG in data/screenshots"
done

# The PNG icon is 256 x 256 (width and height of the IHDR chunk).
size=$(od -An -tu1 -j16 -N8 "$prefix/share/icons/hicolor/256x256/apps/$id.png" | tr -s ' ')
[ "$size" = " 0 0 1 0 0 0 1 0" ] || fail "PNG icon is not 256 x 256: $size"

# Man pages render without a warning and document every option the programs
# print in their usage texts.
for page in tessivo tessivo-cli; do
  warnings=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
done
documented() { # PAGE USAGE-TEXT: each --option of the text is in the page
  local option
  for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$2" | sort -u); do
    grep -qF -- "${option//-/\\-}" "$prefix/share/man/man1/$1.1" || fail "$1.1 lacks $option"
  done
}
cli_help=$("$prefix/bin/tessivo-cli" --help) || fail "tessivo-cli --help"
grep -q split <<<"$cli_help" || fail "tessivo-cli --help: $cli_help"
documented tessivo-cli "$cli_help"
documented tessivo-cli "$("$prefix/bin/tessivo-cli" split --help 2>&1 || true)"
export QT_QPA_PLATFORM=offscreen
gui_help=$("$prefix/bin/tessivo" --help) || fail "tessivo --help"
grep -q -- --version <<<"$gui_help" || fail "tessivo --help: $gui_help"
documented tessivo "$gui_help"
[ "$("$prefix/bin/tessivo" --version)" = "tessivo $version" ] || fail "tessivo --version"
echo "installed and checked in $prefix"
