#!/usr/bin/env bash
# One input behaves as before: runs the same single-file split and cuts
# commands (modes, tags, refusals, usage errors) with two builds of
# tessivo-cli, each in a fresh copy of the same folder, and compares exit
# status, stdout, stderr and every file written, byte for byte.
#
#   bench/compare_single_runs.sh OLD_CLI NEW_CLI
set -uo pipefail
OLD=$(realpath "$1")
NEW=$(realpath "$2")
FIX=$(realpath "$(dirname "$0")/../tests/fixtures")
WORK=${TMPDIR:-/tmp}/tessivo-compare-single
RUN=$WORK/run

CASES=(
  "split cbr.mp3 --parts 3 -o out"
  "split vbr.mp3 --parts 3 -o out --tags"
  "split vbr.mp3 --parts 3 -o out"
  "split cbr.mp3 --time 0:01 -o t --gapless"
  "split tagged.mp3 --at 0.5,1.5 -o at --tags --id3 v1"
  "split tagged.mp3 --at 0.5,1.5 -o at2 --tags --id3 v2.4 --title {name}-{n}/{N}"
  "split speech.mp3 --near-pauses 0:05 -o np --tags"
  "split speech.mp3 --near-pauses 0:05,0 -o np0"
  "split speech.mp3 --silence 10,300 -o sil"
  "split speech.mp3 --cue speech.cue -o cue --tags"
  "split speech.mp3 --labels speech.txt -o lab"
  "split notmp3.mp3 --parts 2"
  "split missing.mp3 --parts 2"
  "split cbr.mp3"
  "split cbr.mp3 --parts 1"
  "split cbr.mp3 --parts 3 --title x"
  "split cbr.mp3 --chapters"
  "split cbr.mp3 --at 100"
  "split cbr.mp3 --at 0.5,0.5"
  "split cbr.mp3 --parts 2 --time 0:01"
  "split cbr.mp3 --cue nothing.cue"
  "split cbr.mp3 --unknown"
  "split --parts 2"
  "split cbr.mp3 --parts 2 -o out --quiet"
  "split silent.mp3 --silence 10,300 -o s2"
  "cuts cbr.mp3 --parts 3"
  "cuts speech.mp3 --near-pauses 0:05 --format cue"
  "cuts speech.mp3 --cue speech.cue --format csv"
  "cuts speech.mp3 --time 0:04 --format labels -q"
  "cuts notmp3.mp3 --parts 2"
  "cuts cbr.mp3"
  "info cbr.mp3"
  "peaks vbr.mp3"
)

setup() {
  rm -rf "$RUN" && mkdir -p "$RUN"
  cp "$FIX/cbr128_stereo.mp3" "$RUN/cbr.mp3"
  cp "$FIX/vbr_stereo.mp3" "$RUN/vbr.mp3"
  cp "$FIX/id3v1_id3v2.mp3" "$RUN/tagged.mp3"
  cp "$FIX/speech_pauses.mp3" "$RUN/speech.mp3"
  cp "$FIX/silent.mp3" "$RUN/silent.mp3"
  cp "$FIX/not_mp3.wav" "$RUN/notmp3.mp3"
  printf 'TITLE "Book"\nFILE "speech.mp3" MP3\n  TRACK 01 AUDIO\n    TITLE "A"\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    TITLE "B"\n    INDEX 01 00:06:00\n  TRACK 03 AUDIO\n    INDEX 01 00:12:30\n' >"$RUN/speech.cue"
  printf '0.000000\t5.000000\tone\n7.500000\t12.000000\ttwo\n' >"$RUN/speech.txt"
}

run_all() { # CLI RESULT_FOLDER
  setup
  local i=0
  for c in "${CASES[@]}"; do
    i=$((i + 1))
    # shellcheck disable=SC2086
    (cd "$RUN" && "$1" $c >"$RUN/.out$i" 2>"$RUN/.err$i"; echo $? >"$RUN/.status$i")
  done
  rm -rf "$2" && mv "$RUN" "$2"
}

run_all "$OLD" "$WORK/old"
run_all "$NEW" "$WORK/new"
if diff -r "$WORK/old" "$WORK/new"; then
  echo "${#CASES[@]} single-file commands: exit status, stdout, stderr and files identical"
else
  echo "differences above"; exit 1
fi
