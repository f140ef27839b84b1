#!/usr/bin/env bash
# Builds and runs every test.
#   scripts/test.sh              Release build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-sanitize/
#   scripts/test.sh --valgrind   the runner tests again, each runner process under
#                                valgrind's memcheck (the release build, with the
#                                allocator that ships, which the sanitizers replace)
set -euo pipefail
cd "$(dirname "$0")/.."
mode="${1:-}"
if [[ "$mode" == "--valgrind" ]]; then bash scripts/setup.sh --valgrind; else bash scripts/setup.sh; fi

build=build
flags=(-DCMAKE_BUILD_TYPE=Release)
if [[ "$mode" == "--sanitize" ]]; then
  build=build-sanitize
  flags=(-DCMAKE_BUILD_TYPE=Debug -DZEL_SANITIZE=ON)
  # Any report fails the run; leaks count as reports.
  # A request larger than memory throws bad_alloc, as in the release build.
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1:allocator_may_return_null=1
  # The one leak outside this project's code: see the file.
  export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
jobs=$(nproc)
cmake -S . -B "$build" "${flags[@]}" >/dev/null
cmake --build "$build" -j "$jobs"
if [[ "$mode" == "--valgrind" ]]; then
  # A memcheck error makes the runner exit with 99, which no test expects;
  # the reports are kept in build/valgrind/.
  rm -rf "$build/valgrind" && mkdir -p "$build/valgrind"
  export ZEL_RUN_WRAPPER="valgrind -q --error-exitcode=99 --log-file=$PWD/$build/valgrind/%p.log"
  if ! ctest --test-dir "$build" --output-on-failure -j "$jobs" -L runner; then
    cat "$build"/valgrind/*.log 2>/dev/null | head -100 >&2
    exit 1
  fi
  exit 0
fi
ctest --test-dir "$build" --output-on-failure -j "$jobs"
