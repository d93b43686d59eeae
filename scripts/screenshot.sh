#!/usr/bin/env bash
# Starts orvek under a virtual X server on the bundled sample series and saves a PNG picture
# of the main window (the program's hidden --screenshot option grabs it once it is shown).
#
# usage: scripts/screenshot.sh [OUTPUT.png] [BUILD_FOLDER]
#   OUTPUT.png    default: BUILD_FOLDER/orvek-screenshot.png
#   BUILD_FOLDER  default: build (the folder of scripts/build.sh)
# The program runs with ORVEK_HOME in a temporary folder, so nothing is written beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${2:-build}"
out="${1:-$build/orvek-screenshot.png}"
program="$build/app/orvek"
if [[ ! -x "$program" ]]; then
  echo "screenshot: $program is missing; build first (scripts/build.sh)" >&2
  exit 1
fi
command -v xvfb-run > /dev/null || { echo "screenshot: xvfb-run is missing (package xvfb)" >&2; exit 1; }

home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT

series=samples/ORV1
if ! compgen -G "$series/*.fit" > /dev/null; then
  # No bundled series: write one with the sample generator.
  maker="$build/tools/make_samples/orvek_make_samples"
  [[ -x "$maker" ]] || cmake --build "$build" --target orvek_make_samples
  series="$home/series"
  mkdir -p "$series"
  "$maker" "$series"
fi

mkdir -p "$(dirname "$out")"
ORVEK_HOME="$home/program" xvfb-run -a -s "-screen 0 1400x900x24" \
  "$program" --screenshot "$out" "$series"
echo "screenshot: $out"
