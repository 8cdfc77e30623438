#!/usr/bin/env bash
# Sets up, builds and runs every test: unit and tool tests, the install and
# packaging check, the suite under sanitizers and valgrind, and every fuzz
# target for a short while.
set -euo pipefail
cd "$(dirname "$0")/.."
# Runs a command and says how long it took.
timed() {
  local start=$SECONDS
  "$@"
  echo "== $* took $((SECONDS - start)) s"
}
timed bash scripts/deps.sh
cmake -S . -B build-ci -DCMAKE_BUILD_TYPE=Release -DZEL23_WERROR=ON >/dev/null
timed cmake --build build-ci -j"$(nproc)"
timed ctest --test-dir build-ci --output-on-failure -j"$(nproc)"
timed bash scripts/check-install.sh
timed bash scripts/python-test.sh build-ci
timed bash scripts/sanitize.sh build-ci
timed bash scripts/fuzz.sh "${ZEL23_FUZZ_SECONDS:-10}"
# Only reached when every step above passed (set -e): the unit and tool
# tests, the install check, the Python package, the sanitizer runs and the
# fuzz runs.
echo "steps: 5 passed, 0 failed"
