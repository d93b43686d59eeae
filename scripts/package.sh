#!/usr/bin/env bash
# Builds the Debian package of Orvek (Release, window program and orvek-cli) with CPack:
#   scripts/package.sh            -> build-package/orvek_<version>_<arch>.deb
# Install it with `apt install ./build-package/orvek_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVEK_BUILD_TESTS=OFF \
  -DORVEK_BUILD_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr "${launcher[@]}"
cmake --build build-package -j "$(nproc)"
(cd build-package && cpack -G DEB)
ls -1 build-package/orvek_*.deb
