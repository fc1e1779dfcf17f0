#!/usr/bin/env bash
# Flood: while 10 targets are probed (8 loopback addresses, 2 namespace test hosts), a second
# process sends junk ICMP datagrams (default 50 000 per second for 30 s) to those loopback
# addresses and to the test hosts' addresses only, then stops by itself. Prints the rate sent,
# RSS and descriptors over the run, and checks that the real targets' statistics stay right.
# Needs root. Usage: bench/flood.sh [seconds] [datagrams-per-second]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build test
seconds=${1:-30}
rate=${2:-50000}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target probe_run flood >/dev/null
build/bench/probe_run --loopback 8 --hosts 2 --drop-every 0 --seconds "$((seconds + 6))" \
  --interval 5 --flood build/bench/flood --flood-rate "$rate" --flood-seconds "$seconds"
