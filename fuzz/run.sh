#!/usr/bin/env bash
# Runs every fuzz target for a while from a seed corpus made of the test
# fixtures. Usage: fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET]
# A crash, a leak, a sanitizer report or a hang (one input running longer than
# 10 s) fails the run; the input is kept under BUILD_DIR/fuzz-artifacts.
# Prints the executions per target.
set -euo pipefail
build=$(realpath "$1")
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
fixtures=$root/tests/fixtures
work=$build/fuzz-work
artifacts=$build/fuzz-artifacts
mkdir -p "$work" "$artifacts"

# Seeds: every fixture whole for the open path; the last 128 bytes of every
# fixture (the ID3v1 block where there is one) for the tag slots.
rm -rf "$work/seeds-open" "$work/seeds-tag"
mkdir -p "$work/seeds-open" "$work/seeds-tag" "$work/corpus-open" "$work/corpus-tag"
for f in "$fixtures"/*; do
  case $f in *.sh | *.md) continue ;; esac
  cp "$f" "$work/seeds-open/"
  tail -c 128 "$f" >"$work/seeds-tag/$(basename "$f").tag"
done

status=0
run() { # target, corpus, seeds, max_len
  local target=$1 corpus=$2 seeds=$3 maxlen=$4 log=$work/$1.log
  echo "== $target: ${seconds} s"
  # ASan's leak check at exit and the -rss_limit catch leaks and runaway memory.
  if "$build/fuzz/$target" "$corpus" "$seeds" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len="$maxlen" -print_final_stats=1 \
    -artifact_prefix="$artifacts/$target-" >"$log" 2>&1; then
    :
  else
    status=1
    echo "!! $target failed; see $log"
    grep -E "ERROR|SUMMARY|Test unit written" "$log" | head -20 || true
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$log" | sed "s/^/   /" || true
}
run open_path_fuzzer "$work/corpus-open" "$work/seeds-open" 140000
run tag_slots_fuzzer "$work/corpus-tag" "$work/seeds-tag" 1024
exit $status
