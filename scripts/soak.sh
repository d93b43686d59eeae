#!/usr/bin/env bash
# Long runs (not part of CI): 5000 frames through loading, best-of, alignment and stacking,
# and 2000 frames through the power-spectrum sum, each run by orvek-cli as a user would. The
# resident memory of each process is sampled every 0.1 s; printed are its value once the
# first tenth of the run is done ("start"), at the end of the run ("end") and its peak. A leak
# of a frame's worth per frame would show as growth from start to end.
#
#   scripts/soak.sh [FRAMES_SERIES [FRAMES_SPECTRUM [SIDE]]]     (defaults 5000 2000 256)
set -euo pipefail
cd "$(dirname "$0")/.."
frames="${1:-5000}"
spectrum="${2:-2000}"
side="${3:-256}"
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVEK_BUILD_BENCH=ON "${launcher[@]}" > /dev/null
cmake --build build --target orvek-cli orvek_bench_series > /dev/null
build="$(pwd)/build"
cli="$build/cli/orvek-cli"

work="$(mktemp -d /tmp/orvek-soak.XXXXXX)"
trap 'rm -rf "$work"' EXIT
export ORVEK_HOME="$work/home"
mkdir -p "$ORVEK_HOME" "$work/frames"
echo "writing $frames frames of $side x $side"
"$build/bench/command/orvek_bench_series" "$work/frames" "$frames" "$side"
mapfile -t series < <(ls -1 "$work"/frames/*.fit)

# Runs a command, samples its resident memory, prints the figures.
soak() {
  local label="$1"
  shift
  local samples="$work/rss.txt"
  : > "$samples"
  local began=$SECONDS
  "$@" > "$work/out.txt" 2> "$work/err.txt" &
  local pid=$!
  while kill -0 "$pid" 2> /dev/null; do
    awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2> /dev/null >> "$samples" || true
    sleep 0.1
  done
  local status=0
  wait "$pid" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "$label: failed with status $status" >&2
    cat "$work/err.txt" >&2
    exit 1
  fi
  awk -v label="$label" -v secs=$((SECONDS - began)) '
    { v[NR] = $1; if ($1 > peak) peak = $1 }
    END {
      if (NR == 0) { printf "%-40s too short to sample\n", label; exit }
      s = int(NR / 10); if (s < 1) s = 1
      printf "%-40s %4d s  RSS start %7.1f MB  end %7.1f MB  growth %+6.1f MB  peak %7.1f MB\n",
             label, secs, v[s] / 1024, v[NR] / 1024, (v[NR] - v[s]) / 1024, peak / 1024
    }' "$samples"
}

soak "bestof ($frames frames: load, S/N sort)" "$cli" bestof "${series[@]}"
soak "align ($frames frames, crops of 128)" "$cli" align --size 128 --out "$work/aligned" \
  "${series[@]}"
soak "stack ($frames crops)" "$cli" stack --out "$work/stacked" "$work"/aligned/*.orva
soak "composite ($frames frames: align, sort, add)" "$cli" composite --size 128 \
  --out "$work/composite" "${series[@]}"
soak "autocorr ($spectrum frames: power spectra)" "$cli" autocorr --out-dir "$work/spectra" \
  "${series[@]:0:$spectrum}"
