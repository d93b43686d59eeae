#!/usr/bin/env bash
# Starts orvek under a virtual X server on the bundled sample series and saves PNG pictures of
# the screen (the program's hidden --screenshot option grabs it once the window is shown).
# By default the program runs its scripted sequence first (--tour): the series opened, the
# frame fitted to the pane, A and B of the pair measured with the mouse and entered, the
# measurement table open. Two pictures are written: OUTPUT-pending.png (A entered, the pointer
# on B, the status bar showing the live theta and rho) and OUTPUT.png (the pair entered, the
# table open beside the main window).
#
# usage: scripts/screenshot.sh [-l F|E|S|I] [--no-tour] [OUTPUT.png] [BUILD_FOLDER]
#   -l, --language  interface language (default F)
#   --no-tour       the window as it starts on the series, without the sequence
#   OUTPUT.png      default: BUILD_FOLDER/orvek-screenshot.png
#   BUILD_FOLDER    default: build (the folder of scripts/build.sh)
# The program runs with ORVEK_HOME in a temporary folder, so nothing is written beside it.
set -euo pipefail
cd "$(dirname "$0")/.."

language=F
tour=--tour
positional=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    -l | --language)
      [[ $# -ge 2 ]] || { echo "screenshot: $1 needs a language letter" >&2; exit 2; }
      language="$2"
      shift 2
      ;;
    --no-tour)
      tour=""
      shift
      ;;
    -h | --help)
      sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'
      exit 0
      ;;
    *)
      positional+=("$1")
      shift
      ;;
  esac
done
case "$language" in
  F | E | S | I) ;;
  *) echo "screenshot: language must be F, E, S or I, not \"$language\"" >&2; exit 2 ;;
esac

build="${positional[1]:-build}"
out="${positional[0]:-$build/orvek-screenshot.png}"
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
# A screen of 1920 x 1080: the measurement table opens beside the main window.
ORVEK_HOME="$home/program" xvfb-run -a -s "-screen 0 1920x1080x24" \
  "$program" --language "$language" $tour --screenshot "$out" "$series"
echo "screenshot: $out"
if [[ -n "$tour" ]]; then echo "screenshot: ${out%.png}-pending.png"; fi
