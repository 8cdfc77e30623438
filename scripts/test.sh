#!/usr/bin/env bash
# Sets up, builds and runs every test: unit and tool tests, then the install
# and packaging check.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-ci -DCMAKE_BUILD_TYPE=Release -DZEL23_WERROR=ON >/dev/null
cmake --build build-ci -j"$(nproc)"
ctest --test-dir build-ci --output-on-failure -j"$(nproc)"
bash scripts/check-install.sh
