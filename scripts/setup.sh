#!/usr/bin/env bash
# Installs what building, running and testing Ravik needs on Debian 12.
# Only missing packages are installed; sudo is used when not root.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-webengine-dev qt6-webchannel-dev qt6-declarative-dev libgl-dev libxcb1-dev
  qt6-translations-l10n
  fonts-noto-cjk fonts-dejavu-core
  xvfb xauth x11-utils
  xdotool openbox xclip
  unrtf libbenchmark-dev
  libgumbo-dev
  # packaging and the package test
  dpkg-dev file desktop-file-utils appstream lintian procps
  # scripts/bench.sh writes its report with Python
  python3
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
