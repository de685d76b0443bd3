#!/usr/bin/env bash
# Runs every fuzz target for a while from its seed corpus. Usage:
#   fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET [TARGET...]]
# Seeds: the test fixtures for the open paths, their last 128 bytes for the
# tag slots, fuzz/seeds/<name>/ for the other readers; the dictionaries in
# fuzz/*.dict. A crash, a leak, a sanitizer report or a hang (one input
# running longer than 10 s) fails the run; the input is kept under
# BUILD_DIR/fuzz-artifacts. Prints the executions and speed per target.
set -euo pipefail
build=$(realpath "$1")
seconds=${2:-60}
shift $(($# >= 2 ? 2 : $#))
root=$(cd "$(dirname "$0")/.." && pwd)
fixtures=$root/tests/fixtures
seeds=$root/fuzz/seeds
work=$build/fuzz-work
artifacts=$build/fuzz-artifacts
mkdir -p "$work" "$artifacts"
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0

# Seeds made from the fixtures: every one whole for the open paths; the last
# 128 bytes of every one (the ID3v1 block where there is one) for the tag slots.
rm -rf "$work/seeds-open" "$work/seeds-tag"
mkdir -p "$work/seeds-open" "$work/seeds-tag"
for f in "$fixtures"/*; do
  case $f in *.sh | *.md | *.txt) continue ;; esac
  cp "$f" "$work/seeds-open/"
  tail -c 128 "$f" >"$work/seeds-tag/$(basename "$f").tag"
done
for t in "$seeds"/source_tag/*; do # the tag seeds in front of a small file
  cat "$t" "$fixtures/mpeg25_8k.mp3" >"$work/seeds-open/tagged-$(basename "$t" .bin).mp3"
done

status=0
run() { # target, seeds, max_len, dictionary (or "")
  local target=$1 seedDir=$2 maxlen=$3 dict=$4 log=$work/$1.log corpus=$work/corpus-$1
  if [ ${#wanted[@]} -gt 0 ] && [[ " ${wanted[*]} " != *" $target "* ]]; then
    return
  fi
  mkdir -p "$corpus"
  echo "== $target: ${seconds} s"
  local extra=()
  [ -n "$dict" ] && extra+=(-dict="$root/fuzz/$dict")
  # ASan's leak check at exit and the -rss_limit catch leaks and runaway memory.
  if "$build/fuzz/$target" "$corpus" "$seedDir" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len="$maxlen" -print_final_stats=1 "${extra[@]}" \
    -artifact_prefix="$artifacts/$target-" >"$log" 2>&1; then
    :
  else
    status=1
    echo "!! $target failed; see $log"
    grep -E "ERROR|SUMMARY|broken:|Test unit written" "$log" | head -20 || true
  fi
  local execs
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  grep -E "stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb" "$log" |
    sed "s/^/   /" || true
  [ -n "$execs" ] && echo "   per 10 minutes at this speed (extrapolated): $((execs * 600 / seconds))"
}
wanted=("$@")
run open_path_fuzzer "$work/seeds-open" 140000 id3.dict
run open_index_fuzzer "$work/seeds-open" 16384 id3.dict
run tag_slots_fuzzer "$work/seeds-tag" 1024 ""
run source_tag_fuzzer "$seeds/source_tag" 65536 id3.dict
run cut_list_fuzzer "$seeds/cut_list" 65536 cut_list.dict
run peak_cache_fuzzer "$seeds/peak_cache" 4096 ""
run time_text_fuzzer "$seeds/time_text" 64 time_text.dict
exit $status
