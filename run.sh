#!/usr/bin/env bash
# Builds Ravik and starts the editor. Without a display the editor runs on a
# virtual X display (Xvfb); the script says how to stop it.
set -euo pipefail
cd "$(dirname "$0")"
BUILD_DIR="${RAVIK_BUILD_DIR:-build}"
scripts/setup.sh
scripts/build.sh --target ravik ravik_docs
# Installed as a user's system would have it; the launcher gives the editor
# its working folder under the user's data folder (see dist/launcher.sh.in).
rm -rf "$BUILD_DIR/stage"
cmake --install "$BUILD_DIR" --prefix "$BUILD_DIR/stage" >/dev/null

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export DISPLAY=:99
  if ! xdpyinfo -display :99 >/dev/null 2>&1; then
    Xvfb :99 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 50); do
      xdpyinfo -display :99 >/dev/null 2>&1 && break
      sleep 0.2
    done
    echo "No display: the editor runs on the virtual display :99 (Xvfb, pid $XVFB_PID)."
    echo "Stop the editor with Ctrl+C; stop the virtual display with: kill $XVFB_PID"
  fi
fi
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="/tmp/runtime-$(id -u)"
  mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
fi
exec "$BUILD_DIR/stage/bin/ravik"
