#!/usr/bin/env bash
# Builds and runs every benchmark and writes docs/benchmarks.md: each figure
# beside its comparison from the same run, as a ratio. The window
# benchmarks run on the display in $DISPLAY, or on a virtual one (Xvfb).
# Takes about ten minutes; run it on an otherwise idle machine.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${RAVIK_BUILD_DIR:-build}"
scripts/setup.sh
scripts/build.sh --target benchmarks

results=$(mktemp -d)
xvfb=""
trap '[ -n "$xvfb" ] && kill "$xvfb"; rm -rf "$results"' EXIT
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$results/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 50); do [ -s "$results/display" ] && break; sleep 0.2; done
  export DISPLAY=":$(cat "$results/display")"
fi
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="/tmp/runtime-$(id -u)"
  mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
fi

uptime >"$results/load-before"
# Two print their own medians; the rest are Google Benchmark programs.
for name in startup preview; do
  echo "== bench_$name" >&2
  "$BUILD_DIR/bench/bench_$name" | tee "$results/$name.txt" >&2
done
for name in format editing tabpaint tablayout button gradient window; do
  echo "== bench_$name" >&2
  "$BUILD_DIR/bench/bench_$name" --benchmark_out="$results/$name.json" --benchmark_out_format=json >&2
done
uptime >"$results/load-after"
python3 scripts/bench_report.py "$results" >docs/benchmarks.md
echo "wrote docs/benchmarks.md" >&2
