#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Quorvex need, and only
# those that are missing. Usage: scripts/deps.sh [build|test|screenshot|fuzz|bench]...
# (default: build test)
set -euo pipefail

build=(g++ cmake make pkgconf libboost-dev libboost-system-dev qt6-base-dev
       libcap2-bin fonts-wqy-microhei)
test=(libgtest-dev libgmock-dev iproute2 util-linux procps fonts-dejavu-core)
# Making the committed pictures: the About box screenshot and the icon renderings.
screenshot=(xvfb openbox imagemagick x11-utils librsvg2-bin)
fuzz=(clang libclang-rt-14-dev)
# The tools bench/run-all.sh compares Quorvex with.
bench=(iputils-ping fping)

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(build test)

wanted=()
for g in "${groups[@]}"; do
  case "$g" in
    build) wanted+=("${build[@]}") ;;
    test) wanted+=("${test[@]}") ;;
    screenshot) wanted+=("${screenshot[@]}") ;;
    fuzz) wanted+=("${fuzz[@]}") ;;
    bench) wanted+=("${bench[@]}") ;;
    *) echo "deps.sh: unknown group '$g' (build, test, screenshot, fuzz, bench)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "deps.sh: need root or sudo to install ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
