#!/usr/bin/env bash
# Configures and builds Orvek in build/ (Release). Extra arguments go to the CMake configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@"
cmake --build build -j "$(nproc)"
