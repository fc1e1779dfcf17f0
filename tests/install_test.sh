#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands there: the program with the
# raw-socket capability, the desktop entry, the icons, the read-me and the manual page.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
log=$(cmake --install "$build" --prefix "$prefix" 2>&1)

status=0
for file in bin/quorvex share/applications/quorvex.desktop share/doc/quorvex/ReadMe.txt \
            share/man/man1/quorvex.1 share/icons/hicolor/scalable/apps/quorvex.svg \
            share/icons/hicolor/48x48/apps/quorvex.png share/icons/hicolor/256x256/apps/quorvex.png; do
  [ -f "$prefix/$file" ] || { echo "missing: $file"; status=1; }
done
"$prefix/bin/quorvex" --version | grep -qx "Quorvex 1.0.0.1" || { echo "installed program does not run"; status=1; }

if [ "$(id -u)" -eq 0 ]; then
  getcap "$prefix/bin/quorvex" | grep -q cap_net_raw || { echo "no cap_net_raw on the installed program"; echo "$log"; status=1; }
else
  # Without root the install must say plainly that it could not grant the capability.
  echo "$log" | grep -q "Could not grant cap_net_raw" || { echo "no warning about the missing capability"; status=1; }
fi
exit $status
