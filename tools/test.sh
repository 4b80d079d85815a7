#!/usr/bin/env bash
# Installs what is missing, builds Kelvane twice (a normal build and one with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs every test in both, then runs each fuzz target of the
# parsers for a fixed number of inputs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

bash tools/build.sh build
(cd build && ctest --output-on-failure -j2 --timeout 600)

KELVANE_BUILD_TYPE=Debug bash tools/build.sh build-asan -DKELVANE_SANITIZE=ON -DKELVANE_BUILD_BENCH=OFF
# Qt and fontconfig keep caches alive until exit, which the leak checker would report as leaks.
(cd build-asan && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j2 --timeout 900)

# The fuzz targets, with clang's libFuzzer; only the base library and the targets are built.
CC=clang CXX=clang++ KELVANE_BUILD_TYPE=RelWithDebInfo KELVANE_BUILD_TARGET=fuzzers bash tools/build.sh build-fuzz \
  -DKELVANE_FUZZ=ON -DKELVANE_BUILD_TESTS=OFF -DKELVANE_BUILD_BENCH=OFF -DKELVANE_BUILD_DEVSIM=OFF
(cd build-fuzz && ctest --output-on-failure -j2 -L fuzz)
