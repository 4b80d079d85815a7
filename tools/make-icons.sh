#!/usr/bin/env bash
# Renders the PNG sizes of the program icon from its SVG source into packaging/icons/NxN/.
# Run it after changing packaging/icons/org.kelvane.Kelvane.svg and commit the result.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v rsvg-convert >/dev/null; then
  SUDO=""; if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get install -y -qq --no-install-recommends librsvg2-bin
fi
for size in 16 24 32 48 64 128 256; do
  mkdir -p "packaging/icons/${size}x${size}"
  rsvg-convert -w "$size" -h "$size" packaging/icons/org.kelvane.Kelvane.svg \
    -o "packaging/icons/${size}x${size}/org.kelvane.Kelvane.png"
done
