#!/usr/bin/env bash
# Sets up, builds and runs the test suite.
#   scripts/test.sh                the normal build (build/) and the whole suite
#   scripts/test.sh --sanitize     the suite built with AddressSanitizer and
#                                  UndefinedBehaviorSanitizer (build-asan/)
#   scripts/test.sh --fuzz [SECS]  every fuzz target (clang, build-fuzz/), each
#                                  run SECS seconds (default 60) from its seeds
# Any failure, sanitizer report or fuzz crash ends with a non-zero status.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-normal}
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
jobs=$(nproc)

case $mode in
normal)
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build -j"$jobs"
  ctest --test-dir build --output-on-failure -j"$jobs"
  ;;
--sanitize)
  # -O1 keeps the instrumented suite fast enough; every report is fatal.
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
    -DTESSIVO_SANITIZE=ON
  cmake --build build-asan -j"$jobs"
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
  # The install and .deb checks, and the file past 4 GiB, run in the normal
  # suite only.
  ctest --test-dir build-asan --output-on-failure -j"$jobs" --timeout 900 -LE "install|big_file"
  ;;
--fuzz)
  secs=${2:-60}
  CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSIVO_FUZZ=ON -DTESSIVO_BUILD_GUI=OFF -DTESSIVO_BUILD_TESTS=OFF
  cmake --build build-fuzz -j"$jobs" --target fuzzers
  fuzz/run.sh build-fuzz "$secs"
  ;;
*)
  echo "usage: scripts/test.sh [--sanitize | --fuzz [SECONDS]]" >&2
  exit 2
  ;;
esac
