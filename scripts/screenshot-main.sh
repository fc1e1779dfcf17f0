#!/usr/bin/env bash
# Runs Quorvex on a virtual X display (Xvfb, 96 dpi, openbox) against live targets, a
# namespace test host answering after 20 ms (every 10th request dropped) and loopback
# addresses, and saves a screenshot of its window. Needs root (the test host's namespace).
# Usage: scripts/screenshot-main.sh [OUTPUT]   (default docs/main-window.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/main-window.png}
scripts/deps.sh build test screenshot
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target quorvex test_host

source scripts/screenshot-common.sh

# The test host answers until its standard input (this script's fifo) closes.
mkfifo "$work/hold"
build/tests/test_host --delay-ms 20 --drop-every 10 --seconds 120 <"$work/hold" >"$work/host.out" &
pids+=($!)
exec 3>"$work/hold"
for _ in $(seq 100); do grep -q '^address ' "$work/host.out" && break; sleep 0.1; done
address=$(awk '/^address /{print $2}' "$work/host.out")
[ -n "$address" ] || { echo "screenshot-main.sh: the test host did not start" >&2; exit 1; }
mkdir "$work/run" "$work/runtime"
chmod 700 "$work/runtime"
printf '# test host in a network namespace\n%s\n127.0.0.1\n127.0.0.2\n' "$address" >"$work/run/config.ini"

start_virtual_display 800x600

program=$(pwd)/build/app/quorvex
(cd "$work/run" && LANG=zh_CN.UTF-8 XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
  exec "$program" >"$work/quorvex.log" 2>&1) &
pids+=($!)
window=
for _ in $(seq 100); do
  window=$(xwininfo -root -tree 2>/dev/null | awk '/"Quorvex": \("quorvex"/ && !found {print $1; found = 1}')
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "screenshot-main.sh: no Quorvex window" >&2; cat "$work/quorvex.log" >&2; exit 1; }
sleep 25  # about 40 exchanges per target, so the loss column has something to show

mkdir -p "$(dirname "$out")"
import -window "$window" -frame "$out"
echo "saved $out"
