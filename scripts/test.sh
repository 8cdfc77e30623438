#!/usr/bin/env bash
# Sets up, builds and runs every test: unit and tool tests, the install and
# packaging check, the page in a browser, the suite under sanitizers and
# valgrind (the Python package's too), and every fuzz target for a short
# while. Every step runs even when one before it failed; the last line counts
# them, and the exit status is 1 when any failed.
set -uo pipefail
cd "$(dirname "$0")/.."

passed=0
failed=()
# Runs one step, says how long it took, and counts it.
step() {
  local start=$SECONDS
  if "$@"; then
    passed=$((passed + 1))
    echo "== $* passed in $((SECONDS - start)) s"
  else
    failed+=("$*")
    echo "== $* FAILED in $((SECONDS - start)) s"
  fi
}
# Set-up and the build are not steps: nothing runs without them.
bash scripts/deps.sh || exit 1
cmake -S . -B build-ci -DCMAKE_BUILD_TYPE=Release -DZEL23_WERROR=ON >/dev/null || exit 1
start=$SECONDS
cmake --build build-ci -j"$(nproc)" || exit 1
echo "== build took $((SECONDS - start)) s"

step ctest --test-dir build-ci --output-on-failure -j"$(nproc)"
step bash scripts/web-test.sh build-ci
step bash scripts/check-install.sh
step bash scripts/python-test.sh build-ci
step bash scripts/sanitize.sh build-ci
step bash scripts/python-test.sh build-asan
step bash scripts/fuzz.sh "${ZEL23_FUZZ_SECONDS:-10}"

for f in "${failed[@]}"; do echo "failed: $f"; done
echo "steps: $passed passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
