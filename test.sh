#!/usr/bin/env bash
# Builds Ravik with its tests and runs every test. Exits non-zero when one fails.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh
cd "${RAVIK_BUILD_DIR:-build}"
ctest --output-on-failure
