#!/usr/bin/env bash
# The comparison suite: accuracy against iputils ping, scale and cost against fping, and the
# window's refresh cost. Prints the machine and one table per benchmark (docs/PERFORMANCE.md
# holds the published figures). The full run takes about 12 minutes; --quick runs every
# benchmark once at a tiny size (under a minute) so they keep working.
# Needs root (raw sockets, network namespaces). Traffic goes only to loopback addresses and to
# the namespace test host. Usage: bench/run-all.sh [--quick]
set -euo pipefail
cd "$(dirname "$0")/.."
quick=no
case "${1:-}" in
  "") ;;
  --quick) quick=yes ;;
  *) echo "run-all.sh: unknown option '$1' (--quick)" >&2; exit 2 ;;
esac
if [ "$(id -u)" -ne 0 ]; then
  echo "run-all.sh: needs root (raw ICMP sockets and network namespaces)" >&2
  exit 1
fi
scripts/deps.sh build test bench
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target accuracy scale ui_tick >/dev/null
bench=build/bench

echo "Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)," \
     "Debian $(cat /etc/debian_version), Linux $(uname -r); open-file limit $(ulimit -Sn)/$(ulimit -Hn)"

if [ "$quick" = yes ]; then
  delays=1 pings=4 others=50
  targets=(1 20) seconds=2
  rows=(10 100) ticks=5 ui_seconds=1
else
  delays=1,20,200 pings=40 others=1000
  targets=(1 100 1000 5000) seconds=60
  rows=(10 1000 10000) ticks=50 ui_seconds=10
fi

echo
echo "== Accuracy: average delay to the test host answering after D ms, Quorvex and ping"
"$bench/accuracy" --delays "$delays" --pings "$pings" --others "$others" --header yes

echo
echo "== Scale and cost: N loopback targets for ${seconds} s each, Quorvex then fping"
header=yes
for n in "${targets[@]}"; do
  "$bench/scale" --targets "$n" --seconds "$seconds" --header "$header"
  header=no
done

echo
echo "== UI: one refresh tick and one paint of the visible rows (offscreen platform)"
header=yes
for r in "${rows[@]}"; do
  QT_QPA_PLATFORM=offscreen "$bench/ui_tick" --rows "$r" --ticks "$ticks" --seconds "$ui_seconds" \
    --header "$header" 2> >(grep -v '^QStandardPaths:' >&2)
  header=no
done
