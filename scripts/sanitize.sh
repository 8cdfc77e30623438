#!/usr/bin/env bash
# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer
# (with the fuzz corpora replayed as tests), then the reader and writer
# tests and the hostile-input tests under valgrind memcheck. Fails on any
# error, leak included.
#
#   bash scripts/sanitize.sh [BUILD]
#
# valgrind runs the tests of BUILD, a build with tests that is already made
# (scripts/test.sh passes its own); without it, of the valgrind preset, which
# adds debug information for the reports.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=2

echo "== build-asan: tests under -fsanitize=address,undefined"
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
ctest --preset asan -j"$jobs"

command -v valgrind >/dev/null || {
  echo "sanitize.sh: valgrind is missing (apt-get install valgrind)" >&2
  exit 2
}
build=${1:-}
if [ -z "$build" ]; then
  build=build-valgrind
  cmake --preset valgrind >/dev/null
  cmake --build --preset valgrind -j"$jobs"
fi
echo "== $build: memcheck"
# Death tests fork and end the process on purpose; they run under the
# sanitizers above, not here. So do the parallel reader's comparisons over
# hundreds of cases, which valgrind would run one thread at a time for
# minutes (ThreadSanitizer has its own preset).
for test in case_test hostile_test; do
  echo "-- valgrind $test"
  valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect --track-origins=yes --quiet \
    "$build/test/$test" --gtest_filter='-*DeathTest*:ParallelRead.SameAsSequential*' \
    --gtest_brief=1
done
echo "sanitize: no error"
