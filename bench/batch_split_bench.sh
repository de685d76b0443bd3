#!/usr/bin/env bash
# Many files, one rule: 30 files of 3 minutes (CBR and VBR, one a WAV named
# .mp3, one without its cue sheet) split with --parts 3, --near-pauses 1:00
# and --beside cue by tessivo-cli's batch (-j 2), by a shell loop of
# single-file runs and by mp3splt. Checks that the batch writes exactly the
# bytes of each single run and names the two failures; prints the times.
#
#   bench/batch_split_bench.sh [CLI] [SINGLE_CLI]
#
# SINGLE_CLI (default CLI) makes the single-file runs, e.g. a build of main.
set -euo pipefail
CLI=$(realpath "${1:-build/cli/tessivo-cli}")
SINGLE=$(realpath "${2:-$CLI}")
WORK=${TMPDIR:-/tmp}/tessivo-batch-bench
IN=$WORK/in
command -v mp3splt >/dev/null || { echo "mp3splt is missing (scripts/install-deps.sh)"; exit 1; }

# Tones with a 2 s pause every 25 s, each file its own pitch.
make_files() {
  [ -f "$IN/.done" ] && return
  rm -rf "$IN" && mkdir -p "$IN"
  for i in $(seq -w 1 29); do
    local src="sine=frequency=$((200 + 10 * 10#$i)):sample_rate=44100:duration=180"
    local gate="volume='if(lt(mod(t,25),23),1,0)':eval=frame"
    local codec=(-b:a 128k)
    (( 10#$i % 2 )) && codec=(-q:a 4)
    ffmpeg -v error -y -f lavfi -i "$src" -af "$gate" -ac 2 -c:a libmp3lame "${codec[@]}" "$IN/f$i.mp3"
    [ "$i" = 29 ] && continue # f29 has no cue sheet beside it
    printf 'FILE "f%s.mp3" MP3\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 01:00:00\n  TRACK 03 AUDIO\n    INDEX 01 02:00:00\n' "$i" >"$IN/f$i.cue"
  done
  ffmpeg -v error -y -f lavfi -i sine=duration=180 -f wav "$IN/f30.mp3" # not an MP3
  cp "$IN/f01.cue" "$IN/f30.cue"
  touch "$IN/.done"
}

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# run_rule LABEL MP3SPLT_ARGS -- TESSIVO_ARGS...
run_rule() {
  local label=$1 splt=$2; shift 3
  local out=$WORK/$label
  rm -rf "$out" && mkdir -p "$out/batch" "$out/single" "$out/mp3splt"
  local t0 t1 t2 t3 status=0
  t0=$(now)
  "$CLI" split "$IN" -j 2 "$@" -o "$out/batch" >"$out/batch.out" 2>"$out/batch.err" || status=$?
  t1=$(now)
  for f in "$IN"/*.mp3; do
    local n; n=$(basename "$f" .mp3)
    local args=("$@")
    # One file takes its cue sheet as --cue (which a build of main knows too).
    [ "${args[*]}" = "--beside cue" ] && args=(--cue "${f%.mp3}.cue")
    "$SINGLE" split "$f" "${args[@]}" -o "$out/single/$n" >/dev/null 2>&1 || true
  done
  t2=$(now)
  for f in "$IN"/*.mp3; do
    local n; n=$(basename "$f" .mp3)
    local cue=()
    [ "$splt" = cue ] && cue=(-c "${f%.mp3}.cue")
    [ "$splt" = cue ] || cue=($splt)
    (cd "$out" && mp3splt -q "${cue[@]}" -d "$out/mp3splt/$n" "$f" >/dev/null 2>&1) || true
  done
  t3=$(now)
  local same=0 differ=0
  for d in "$out/single"/*; do
    [ -d "$d" ] || continue
    local n; n=$(basename "$d")
    if diff -rq "$d" "$out/batch/$n" >/dev/null; then same=$((same + 1)); else differ=$((differ + 1)); fi
  done
  local failed; failed=$(grep '\.mp3: ' "$out/batch.err" | grep -vc 'No pause\|warning' || true)
  printf '%-14s batch -j 2 %6ss  single loop %6ss  mp3splt %6ss | exit %d, %d files as the single run, %d differ, %d failures named; %s\n' \
    "$label" "$(elapsed "$t0" "$t1")" "$(elapsed "$t1" "$t2")" "$(elapsed "$t2" "$t3")" \
    "$status" "$same" "$differ" "$failed" "$(tail -n 1 "$out/batch.err")"
  grep '\.mp3: ' "$out/batch.err" | grep -v 'No pause\|warning' | sed 's/^/    /'
}

make_files
echo "30 files of 3 minutes in $IN; $(nproc) cores"
run_rule parts "-S 3" -- --parts 3
run_rule near-pauses "-s -p nt=3" -- --near-pauses 1:00
run_rule beside-cue cue -- --beside cue
