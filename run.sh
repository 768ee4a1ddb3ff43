#!/usr/bin/env bash
# Builds Ravik and starts the editor. Without a display the editor runs on a
# virtual X display (Xvfb); the script says how to stop it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh --target ravik
cmake --install build --prefix build/stage >/dev/null

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export DISPLAY=:99
  if ! xdpyinfo -display :99 >/dev/null 2>&1; then
    Xvfb :99 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    echo "No display: the editor runs on the virtual display :99 (Xvfb, pid $!)."
    echo "Stop the editor with Ctrl+C; stop the virtual display with: kill $!"
    sleep 1
  fi
fi
cd build/stage
exec ./ravik
