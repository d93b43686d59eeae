#!/usr/bin/env bash
# Whole commands against their yardsticks, each pair timed in one hyperfine run:
#   autocorr  orvek-cli autocorr of 100 frames of 256 x 256 (16-bit FITS) against a bare
#             CFITSIO + FFTW long double real-input loop on one thread summing their power
#             spectra (orvek_yardstick_autocorr);
#   stack     orvek-cli stack of 200 frames of 512 x 512 against CFITSIO reading them and
#             averaging in double (orvek_yardstick_stack);
#   start-up  orvek-cli info of one frame, and the window program to the first frame shown.
# Prints each ratio (orvek-cli mean / yardstick mean; the target is at most 1.0).
#
#   bench/command/commands.sh BUILD_DIR [RUNS]
set -euo pipefail
build="$(cd "$1" && pwd)"
runs="${2:-10}"
command -v hyperfine > /dev/null || { echo "hyperfine (Debian package hyperfine) is needed" >&2; exit 1; }

work="$(mktemp -d /tmp/orvek-bench-commands.XXXXXX)"
trap 'rm -rf "$work"' EXIT
export ORVEK_HOME="$work/home"
mkdir -p "$ORVEK_HOME" "$work/ac" "$work/st"
cli="$build/cli/orvek-cli"
"$build/bench/command/orvek_bench_series" "$work/ac" 100 256
"$build/bench/command/orvek_bench_series" "$work/st" 200 512

# Ratio of the first command's mean to the second's, from hyperfine's JSON.
ratio() {
  python3 - "$1" <<'PY'
import json, sys
r = json.load(open(sys.argv[1]))["results"]
o, y = r[0], r[1]
print(f"  orvek {o['mean']*1000:.1f} ms (min {o['min']*1000:.1f}, user+sys "
      f"{(o['user']+o['system'])*1000:.1f}), yardstick {y['mean']*1000:.1f} ms (min "
      f"{y['min']*1000:.1f}, user+sys {(y['user']+y['system'])*1000:.1f})")
print(f"  ratio {o['mean']/y['mean']:.2f} (means), {o['min']/y['min']:.2f} (minima)")
PY
}

echo "== autocorr: 100 frames of 256 x 256"
hyperfine --warmup 2 --runs "$runs" --export-json "$work/autocorr.json" \
  --command-name orvek-cli --prepare "rm -rf '$work/ac-out'" \
  "'$cli' autocorr --out-dir '$work/ac-out' '$work'/ac/*.fit" \
  --command-name yardstick --prepare "true" \
  "'$build/bench/command/orvek_yardstick_autocorr' '$work'/ac/*.fit"
ratio "$work/autocorr.json"

echo "== stack: 200 frames of 512 x 512"
hyperfine --warmup 2 --runs "$runs" --export-json "$work/stack.json" \
  --command-name orvek-cli --prepare "rm -rf '$work/st-out'" \
  "'$cli' stack --out '$work/st-out' '$work'/st/*.fit" \
  --command-name yardstick --prepare "true" \
  "'$build/bench/command/orvek_yardstick_stack' '$work'/st/*.fit"
ratio "$work/stack.json"

echo "== start-up"
# Without a shell: these take a few milliseconds. The window draws off screen.
export QT_QPA_PLATFORM=offscreen
startup=("'$cli' info '$work/ac/f0001.fit'")
if [ -x "$build/bench/startup/orvek_bench_window_startup" ]; then
  startup+=("'$build/bench/startup/orvek_bench_window_startup' '$work/st/f0001.fit'")
fi
hyperfine -N --warmup 2 --runs "$runs" "${startup[@]}"
if [ -x "$build/bench/startup/orvek_bench_window_startup" ]; then
  echo "  window, from main() (one run):"
  "$build/bench/startup/orvek_bench_window_startup" "$work/st/f0001.fit" | sed 's/^/    /'
fi
