#!/usr/bin/env bash
# Configures and builds into build/ (or $RAVIK_BUILD_DIR) with the given targets.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${RAVIK_BUILD_DIR:-build}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${RAVIK_CMAKE_ARGS:-}
fi
cmake --build "$BUILD_DIR" -j "$(nproc)" "$@"
