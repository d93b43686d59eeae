#!/usr/bin/env bash
# Installs what Orvek needs, builds it and runs every test:
#  1. the Release build with all tests (GUI tests on Qt's offscreen platform);
#  2. a build of the library with AddressSanitizer and UndefinedBehaviorSanitizer, running
#     the tests of the library and the robustness tests of the file readers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs="$(nproc)"

scripts/build.sh
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVEK_SANITIZE=ON \
  -DORVEK_BUILD_GUI=OFF -DORVEK_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$jobs" -LE 'slow|ui')
