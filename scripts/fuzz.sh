#!/usr/bin/env bash
# Builds the libFuzzer targets of the value-file readers with clang in
# build-fuzz/ and runs each for a while.
#   scripts/fuzz.sh [seconds per target (default 60)] [target...]
# Targets: image sizes number coord colour array dicom (default: all). New inputs
# that add coverage go to build-fuzz/corpus/<target>/ (kept between runs);
# the seeds in tests/fuzz/corpus/<target>/ are read, never written. A finding
# stops that target, leaves its reproducer in build-fuzz/findings/ and fails
# the script.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --fuzz

seconds="${1:-60}"
shift || true
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(image sizes number coord colour array dicom)

build=build-fuzz
CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZEL_BUILD_FUZZ=ON -DZEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j 3 --target fuzz_targets

export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/findings"
status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t"
  log="$build/findings/$t.log"
  # Files of a few KiB already reach every branch of the readers.
  if "$build/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$build/findings/$t-" -print_final_stats=1 \
      "$build/corpus/$t" "tests/fuzz/corpus/$t" >"$log" 2>&1; then
    echo "fuzz $t: $(grep -m1 '^stat::number_of_executed_units' "$log" | awk '{print $2}') runs, no finding"
  else
    echo "fuzz $t: FINDING (see $log)" >&2
    tail -30 "$log" >&2
    status=1
  fi
done
exit $status
