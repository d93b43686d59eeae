#!/usr/bin/env bash
# Fuzzes every reader of outside data with libFuzzer (clang-15) for SECONDS each:
#   scripts/fuzz.sh SECONDS [TARGET...]
# Targets: fits bmp orv ser cursor settings cameras numbers (all when none is named).
# Each run starts from the seeds in tests/fuzz/corpus/<target>/ and grows a working corpus in
# build-fuzz/corpus/<target>/ (the seeds stay as they are). A crashing input is written to
# build-fuzz/findings/ and the script ends with status 1 after the other targets have run;
# once the fault is mended, copy the input into the target's seed folder so that the test
# run replays it. The last lines give the executions of each target.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
  echo "usage: scripts/fuzz.sh SECONDS [TARGET...]" >&2
  exit 2
fi
seconds="$1"
shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fits bmp orv ser cursor settings cameras numbers)

sanitizers="address,undefined"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-15 -DCMAKE_CXX_COMPILER=clang++-15 \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,$sanitizers -fno-sanitize-recover=undefined" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=$sanitizers" \
  -DORVEK_FUZZ=ON -DORVEK_BUILD_GUI=OFF -DORVEK_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --target "${targets[@]/#/orvek_fuzz_}"

mkdir -p build-fuzz/findings
# The settings and camera targets write a scratch file per input: on a memory file system
# when there is one.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
declare -A executions
status=0
for t in "${targets[@]}"; do
  work="build-fuzz/corpus/$t"
  mkdir -p "$work"
  log="build-fuzz/fuzz-$t.log"
  echo "== $t: $seconds s"
  if ! ASAN_SYMBOLIZER_PATH="$(command -v llvm-symbolizer || true)" ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "build-fuzz/tests/fuzz/orvek_fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 \
      -rss_limit_mb=4096 -timeout=30 -artifact_prefix="build-fuzz/findings/$t-" \
      "$work" "tests/fuzz/corpus/$t" >"$log" 2>&1; then
    echo "   FINDING: see $log and build-fuzz/findings/"
    status=1
  fi
  executions[$t]="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
done

echo
printf '%-10s %15s\n' target executions
for t in "${targets[@]}"; do printf '%-10s %15s\n' "$t" "${executions[$t]:-?}"; done
exit $status
