#!/bin/sh
# Renders the icon's PNG sizes from its SVG (needs rsvg-convert, Debian's
# librsvg2-bin). Run after editing the SVG and commit the PNGs with it.
set -eu
cd "$(dirname "$0")/hicolor"
for size in 16 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" scalable/apps/org.ravik.Ravik.svg -o "${size}x${size}/apps/org.ravik.Ravik.png"
done
