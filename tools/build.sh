#!/usr/bin/env bash
# Configures and builds Kelvane into the folder given as the first argument (default: build);
# further arguments go to CMake's configure step. KELVANE_BUILD_TARGET builds one target only.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
shift || true
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${KELVANE_BUILD_TYPE:-Release}" \
  -DCMAKE_INSTALL_PREFIX=/usr "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)" ${KELVANE_BUILD_TARGET:+--target "$KELVANE_BUILD_TARGET"}
