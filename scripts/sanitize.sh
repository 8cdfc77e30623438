#!/usr/bin/env bash
# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer
# (with the fuzz corpora replayed as tests), then the reader and writer
# tests and the hostile-input tests under valgrind memcheck. Fails on any
# error, leak included.
#
#   bash scripts/sanitize.sh
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=2

echo "== build-asan: tests under -fsanitize=address,undefined"
cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
ctest --preset asan -j"$jobs"

echo "== build-valgrind: memcheck"
command -v valgrind >/dev/null || {
  echo "sanitize.sh: valgrind is missing (apt-get install valgrind)" >&2
  exit 2
}
cmake --preset valgrind >/dev/null
cmake --build --preset valgrind -j"$jobs"
# Death tests fork and end the process on purpose; they run under the
# sanitizers above, not here.
for test in case_test hostile_test; do
  echo "-- valgrind $test"
  valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect --track-origins=yes --quiet \
    "build-valgrind/test/$test" --gtest_filter='-*DeathTest*' --gtest_brief=1
done
echo "sanitize: no error"
