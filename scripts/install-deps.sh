#!/usr/bin/env bash
# Installs the Debian packages the program, its tests and its fixtures need.
# Skips apt entirely when everything is already there.
set -euo pipefail
PKGS=(
  build-essential cmake ninja-build pkg-config
  libmpg123-dev libgtest-dev qt6-base-dev libsdl2-dev libspeexdsp-dev
  libtag1-dev libcue-dev libcli11-dev libebur128-dev
  clang libclang-rt-14-dev clang-format ccache
  lame mpg123 sox twolame vorbis-tools espeak-ng ffmpeg mp3val id3v2 python3-mutagen mp3splt loudgain python3-numpy
  xvfb xauth xdotool imagemagick openbox zsh
  desktop-file-utils appstream man-db groff-base dpkg-dev file librsvg2-bin
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
