#!/usr/bin/env bash
# Makes the screenshot of the main window that the AppStream metadata shows
# (packaging/screenshots/main-window.png): the program on a private Xvfb display, connected to the
# simulated balance. Run after changing the main window, and commit the result.
# Usage: tools/make-screenshot.sh [BUILD_FOLDER]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
output="packaging/screenshots/main-window.png"
if [ ! -x /usr/bin/import ]; then
  SUDO=""; if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends imagemagick
fi
[ -x "$build/kelvane" ] || bash tools/build.sh "$build"

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
"$build/kelvane-devsim" --tcp 4019 --interval 400 --value 12.5 >/dev/null 2>&1 &
pids+=($!)

cp data/language.ini data/kelvane.ini "$work/"
cat >"$work/standard.cfg" <<'CONFIG'
[Port settings]
portnum=TCP/IP
tcpip=127.0.0.1
tcpport=4019
[Anwendung]
Anwendung=Text-Datei
TextFile=values.txt
Format={Messwert}{TAB}{Einheit}{ENTER}
[Action]
key0=,,,ESCT,Tare,0
key1=,,,ESCZ,Zero,0
CONFIG
sleep 1
DISPLAY="$display" QT_QPA_PLATFORM=xcb KELVANE_HOME="$work" "$build/kelvane" >/dev/null 2>&1 &
pids+=($!)

window=""
for _ in $(seq 50); do
  window=$(DISPLAY="$display" xdotool search --name '^Kelvane' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
if [ -z "$window" ]; then
  echo "$0: the main window did not appear" >&2
  exit 1
fi
# Let a few values arrive, so the window shows a reading.
sleep 3
mkdir -p "$(dirname "$output")"
DISPLAY="$display" /usr/bin/import -window "$window" "png:$output"
echo "wrote $output"
