#!/usr/bin/env bash
# Sets up, builds and runs every test: unit and tool tests, the install and
# packaging check, the suite under sanitizers and valgrind, and every fuzz
# target for a short while.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-ci -DCMAKE_BUILD_TYPE=Release -DZEL23_WERROR=ON >/dev/null
cmake --build build-ci -j"$(nproc)"
ctest --test-dir build-ci --output-on-failure -j"$(nproc)"
bash scripts/check-install.sh
bash scripts/python-test.sh build-ci
bash scripts/sanitize.sh
bash scripts/fuzz.sh "${ZEL23_FUZZ_SECONDS:-10}"
# Only reached when every step above passed (set -e): the unit and tool
# tests, the install check, the Python package, the sanitizer runs and the
# fuzz runs.
echo "steps: 5 passed, 0 failed"
