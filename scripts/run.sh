#!/usr/bin/env bash
# Sets up, builds and runs the zel23 command on the bundled sample case.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZEL23_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target zel23_tool
./build/tools/zel23 info
./build/tools/zel23 fmt
