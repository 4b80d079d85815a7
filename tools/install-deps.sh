#!/usr/bin/env bash
# Installs every Debian 12 package that Kelvane needs to build, run and test.
# Safe to run again: it does nothing when everything is present.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config clang-format
  # fuzzing: clang with libFuzzer and its sanitizer runtimes
  clang libfuzzer-14-dev libclang-rt-14-dev
  # Qt 6
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev qt6-qpa-plugins
  libqt6sql6-sqlite libqt6sql6-psql libqt6svg6
  # X11 keystrokes, window list, key state
  libx11-dev libxtst-dev libxi-dev
  # Wayland keystrokes and window list (wayland-scanner comes with libwayland-dev)
  libwayland-dev libxkbcommon-dev
  # workbooks
  libzip-dev libpugixml-dev zlib1g-dev
  # announcing D-Bus property changes from the calling thread
  libdbus-1-dev
  # the Debian package and its checks
  dpkg-dev file lintian desktop-file-utils appstream man-db
  # test peers
  xvfb xterm xdotool x11-utils x11-xkb-utils openbox socat dbus libglib2.0-bin
  sway foot fonts-dejavu-core
  sqlite3 python3-openpyxl postgresql
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
