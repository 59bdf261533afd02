#!/usr/bin/env bash
# Renders the program's icon (packaging/icons/org.zorvo.ZorvoFLV.svg) into the hicolor PNG sizes
# that the install rules lay out. The PNGs are committed, so that building the package
# needs no SVG renderer; run this again after changing the drawing.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "hicolor/${size}x${size}"
  rsvg-convert -w "$size" -h "$size" org.zorvo.ZorvoFLV.svg -o "hicolor/${size}x${size}/org.zorvo.ZorvoFLV.png"
done
