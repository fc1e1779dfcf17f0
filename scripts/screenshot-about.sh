#!/usr/bin/env bash
# Shows the About box on a virtual X display (Xvfb, 96 dpi) under the openbox window manager
# and saves a screenshot of it, title bar included. Usage: scripts/screenshot-about.sh [OUTPUT]
# (default docs/about.png).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/about.png}
scripts/deps.sh build screenshot
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target about_demo

source scripts/screenshot-common.sh

start_virtual_display 640x480

# In a Chinese locale, as the box's users have it: fontconfig then prefers the CJK font
# (fonts-wqy-microhei) for the Latin text as well.
LANG=zh_CN.UTF-8 QT_QPA_PLATFORM=xcb build/tests/about_demo >"$work/demo.out" 2>"$work/demo.err" &
pids+=($!)
for _ in $(seq 100); do grep -q '^shown ' "$work/demo.out" && break; sleep 0.1; done
window=$(awk '/^shown /{print $2}' "$work/demo.out")
[ -n "$window" ] || { echo "screenshot-about.sh: the About box did not show" >&2; cat "$work/demo.err" >&2; exit 1; }
sleep 0.5  # let the window manager finish drawing the frame

mkdir -p "$(dirname "$out")"
import -window "$window" -frame "$out"
echo "saved $out"
