#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them: frame loading, stacking against CFITSIO,
# the FFT engine against FFTW in long double, and the directed vector autocorrelation.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh -DORVEK_BUILD_BENCH=ON
for b in build/bench/*/orvek_bench_*; do
  [ -x "$b" ] || continue
  echo "== $b"
  "$b" "$@"
done
