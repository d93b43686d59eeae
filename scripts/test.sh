#!/usr/bin/env bash
# Installs what Orvek needs, builds it and runs every test:
#  0. a check that every source is as clang-format writes it;
#  1. the Release build with all tests (GUI tests on Qt's offscreen platform);
#  2. a build of the library with AddressSanitizer and UndefinedBehaviorSanitizer, running
#     the tests of the library, the command line and the robustness tests of the readers.
# The benchmarks are built and run by scripts/bench.sh, not here.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"
stage() { printf '\n== %s (%d s so far)\n' "$1" "$SECONDS"; }

stage "installing dependencies"
scripts/install-deps.sh

stage "source format"
scripts/check-format.sh

stage "Release build"
scripts/build.sh -DORVEK_BUILD_BENCH=OFF
stage "Release tests"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs" --timeout 300)

stage "sanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1" \
  -DORVEK_SANITIZE=ON -DORVEK_BUILD_GUI=OFF -DORVEK_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
stage "sanitizer tests"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$jobs" --timeout 300 -LE 'slow|ui')
stage "all tests passed"
