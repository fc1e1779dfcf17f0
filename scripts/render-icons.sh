#!/usr/bin/env bash
# Renders res/quorvex.svg to the PNGs under res/png/ (16 to 256 px, for the hicolor theme and
# the compiled-in resources). The PNGs are committed; run this after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh screenshot
mkdir -p res/png
for size in 16 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" res/quorvex.svg --output "res/png/quorvex-$size.png"
done
