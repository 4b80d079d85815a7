#!/usr/bin/env bash
# Installs what is missing, builds Kelvane twice (a normal build and one with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs every test in both.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

bash tools/build.sh build
(cd build && ctest --output-on-failure -j2 --timeout 600)

KELVANE_BUILD_TYPE=Debug bash tools/build.sh build-asan -DKELVANE_SANITIZE=ON -DKELVANE_BUILD_BENCH=OFF
# Qt and fontconfig keep caches alive until exit, which the leak checker would report as leaks.
(cd build-asan && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j2 --timeout 900)
