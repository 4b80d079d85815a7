#!/usr/bin/env bash
# Installs what is missing, builds Kelvane and starts it. Without a display it runs headless.
# A simulated balance (kelvane-devsim) is started on 127.0.0.1:4001 unless something already
# listens there, so the shipped standard.cfg shows values at once.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh build

simulator=""
if [ -x build/kelvane-devsim ] && ! (exec 3<>/dev/tcp/127.0.0.1/4001) 2>/dev/null; then
  build/kelvane-devsim --tcp 4001 --mode interval --interval 1000 >/dev/null &
  simulator=$!
  trap 'kill "$simulator" 2>/dev/null || true' EXIT
fi

args=("$@")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  args=(--headless "${args[@]}")
fi
status=0
build/kelvane "${args[@]}" || status=$?
exit "$status"
