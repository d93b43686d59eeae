#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them: frame loading, stacking against CFITSIO,
# the FFT engine against FFTW in long double, and the directed vector autocorrelation
# (Google Benchmark, arguments passed on); then the whole commands against their yardsticks
# and the start-up times (hyperfine, bench/command/commands.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh -DORVEK_BUILD_BENCH=ON
for b in build/bench/*/orvek_bench_*; do
  [ -x "$b" ] || continue
  case "$b" in
    */orvek_bench_series | */orvek_bench_window_startup) continue ;;  # driven by commands.sh
  esac
  echo "== $b"
  "$b" "$@"
done
bench/command/commands.sh build
bench/speckle/speckle-bench.sh build
