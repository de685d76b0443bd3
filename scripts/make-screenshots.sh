#!/usr/bin/env bash
# Draws the screenshots the AppStream file lists into data/screenshots/:
# the window with parts, the split dialog and the window in its dark scheme,
# headless over a generated recording (tones and noise with pauses).
#   scripts/make-screenshots.sh [BUILD_DIR]   (default build/)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target tessivo-screenshots
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Four pieces of sound of differing loudness, each followed by a second of
# silence, as a talk with pauses; then encoded by LAME.
pieces=()
for spec in "sine 220 vol 0.5" "pinknoise vol 0.3" "sine 440 tremolo 3 60 vol 0.6" "brownnoise vol 0.4"; do
  n=${#pieces[@]}
  # shellcheck disable=SC2086 # the effect list is split on purpose
  sox -n -r 44100 -c 2 "$work/p$n.wav" synth 25 $spec fade 1 25 2 pad 0 1.5
  pieces+=("$work/p$n.wav")
done
sox "${pieces[@]}" "$work/talk.wav"
lame --quiet -b 128 "$work/talk.wav" "$work/A talk with pauses.mp3"
mkdir -p data/screenshots
QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
  "$build/tools/tessivo-screenshots" "$work/A talk with pauses.mp3" data/screenshots
ls -l data/screenshots
