#!/usr/bin/env bash
# Sets up, builds and starts the program: scripts/run.sh [FILE.mp3]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSIVO_BUILD_TESTS=OFF >/dev/null
cmake --build build
exec build/app/tessivo "$@"
