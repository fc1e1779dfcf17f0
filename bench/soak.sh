#!/usr/bin/env bash
# Soak: 200 targets (190 loopback addresses, 10 namespace test hosts that drop every 10th
# request) for the given time (default 600 s), sampling RSS, open descriptors and CPU every
# 10 s; at the end every probe's counts are checked against the requests really sent.
# Needs root (raw sockets, network namespaces). Usage: bench/soak.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target probe_run >/dev/null
build/bench/probe_run --loopback 190 --hosts 10 --drop-every 10 --seconds "${1:-600}" --interval 10
