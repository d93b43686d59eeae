#!/usr/bin/env bash
# orvek-cli speckle on a 2000-frame 256 x 256 SER video, straight from the video against
# converting it first (orvek-cli video, then speckle on the frame files): wall time, frames
# per second and peak resident memory (/usr/bin/time -v) of each way.
#   bench/speckle/speckle-bench.sh [BUILD_DIR] [FRAMES] [SIDE]
set -euo pipefail
build=${1:-build}
frames=${2:-2000}
side=${3:-256}
cli="$build/cli/orvek-cli"
writer="$build/bench/speckle/orvek_speckle_series"
for exe in "$cli" "$writer"; do
  [ -x "$exe" ] || { echo "missing $exe (build with -DORVEK_BUILD_BENCH=ON)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ORVEK_HOME="$work/home"
mkdir -p "$ORVEK_HOME"

# Runs a command under /usr/bin/time -v; prints "seconds peak-kB".
measure() {
  /usr/bin/time -v -o "$work/time.txt" "$@" >"$work/out.txt"
  awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0;
                                         for (i = 1; i <= n; ++i) s = s * 60 + t[i] }
              /Maximum resident set size/ { kb = $2 }
              END { printf "%.2f %d\n", s, kb }' "$work/time.txt"
}

echo "writing $frames frames of $side x $side"
"$writer" "$work/pair.ser" "$frames" "$side"
echo "video: $(du -m "$work/pair.ser" | cut -f1) MB"

read -r direct_s direct_kb < <(measure "$cli" speckle "$work/pair.ser" --json)
echo "speckle from the video:   ${direct_s} s, $(awk -v f="$frames" -v s="$direct_s" 'BEGIN { printf "%.0f", f / s }') frames/s, peak RSS $((direct_kb / 1024)) MB"
cat "$work/out.txt"

mkdir "$work/frames"
read -r convert_s convert_kb < <(measure "$cli" video "$work/pair.ser" "$work/frames/f" --format fits)
read -r files_s files_kb < <(measure "$cli" speckle "$work"/frames/f*.fits --json)
total=$(awk -v a="$convert_s" -v b="$files_s" 'BEGIN { printf "%.2f", a + b }')
echo "converted first:          ${total} s (video ${convert_s} s + speckle ${files_s} s), $(awk -v f="$frames" -v s="$total" 'BEGIN { printf "%.0f", f / s }') frames/s, peak RSS $((convert_kb / 1024)) MB / $((files_kb / 1024)) MB, $(du -sm "$work/frames" | cut -f1) MB of frame files"
cat "$work/out.txt"
