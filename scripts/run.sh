#!/usr/bin/env bash
# Installs what is missing, builds Quorvex, grants the build the raw-socket capability and
# starts it in the current directory, which holds its config.ini.
set -euo pipefail
here=$(pwd)
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target quorvex
program=$(pwd)/build/app/quorvex

if [ "$(id -u)" -ne 0 ] && ! getcap "$program" | grep -q cap_net_raw; then
  echo "Granting $program the capability to send ICMP (sudo setcap cap_net_raw=ep ...)"
  sudo setcap cap_net_raw=ep "$program" ||
    echo "Could not grant cap_net_raw; Quorvex will tell you at start what it needs." >&2
fi
cd "$here"
[ -e config.ini ] || echo "No config.ini here: Quorvex writes a default host list into $here."
exec "$program" "$@"
