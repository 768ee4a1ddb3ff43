#!/usr/bin/env bash
# Configures and builds into build/ (or $RAVIK_BUILD_DIR) with the given targets.
# ccache is used when it is installed; it is never required.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${RAVIK_BUILD_DIR:-build}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  launcher=()
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" ${RAVIK_CMAKE_ARGS:-}
fi
cmake --build "$BUILD_DIR" -j "$(nproc)" "$@"
