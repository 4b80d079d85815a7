#!/usr/bin/env bash
# Makes the screenshots of the main window, which the AppStream metadata shows, and of the trend
# window (packaging/screenshots/): the program on a private Xvfb display, connected to the
# simulated balance. Run after changing either window, and commit the result.
# Usage: tools/make-screenshot.sh [BUILD_FOLDER]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
output="packaging/screenshots"
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
"$build/kelvane-devsim" --tcp 4019 --interval 150 --random 11.8:12.6 --seed 7 --unstable-every 9 \
  >/dev/null 2>&1 &
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
[Filter]
OTG=12.5
UTG=11.9
[Action]
key0=,,,ESCT,Tare,0
key1=,,,ESCZ,Zero,0
CONFIG
sleep 1
DISPLAY="$display" QT_QPA_PLATFORM=xcb KELVANE_HOME="$work" "$build/kelvane" >/dev/null 2>&1 &
pids+=($!)

window_named() {
  local found=""
  for _ in $(seq 50); do
    found=$(DISPLAY="$display" xdotool search --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$found" ] && break
    sleep 0.2
  done
  if [ -z "$found" ]; then
    echo "$0: no window named $1 appeared" >&2
    exit 1
  fi
  echo "$found"
}

main=$(window_named '^Kelvane')
mkdir -p "$output"
# Let a few values arrive, so the window shows a reading.
sleep 3
DISPLAY="$display" /usr/bin/import -window "$main" "png:$output/main-window.png"
# The trend window from the View menu, after half a minute of values.
DISPLAY="$display" xdotool windowfocus --sync "$main" key alt+v t
trend=$(window_named '^Trend and statistics')
sleep 30
DISPLAY="$display" /usr/bin/import -window "$trend" "png:$output/trend-window.png"
echo "wrote $output/main-window.png and $output/trend-window.png"
