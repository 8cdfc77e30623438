#!/bin/bash
# Builds the page (scripts/web.sh) and tests it in Debian's chromium, driven
# by puppeteer-core (web/package-lock.json), against the zel23 command of a
# native build; a generated 100,000-bus case goes through it too.
#   bash scripts/web-test.sh [NATIVE_BUILD_DIR]     (default build-ci)
# Ends with the line "N passed, N failed".
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-build-ci}
[ -x "$native/tools/zel23" ] || cmake --build "$native" -j2 --target zel23_tool
bash scripts/web.sh build-web
(cd web && npm ci --no-audit --no-fund --loglevel=error)
# The benchmark's case generator, standing alone.
g++ -O2 -std=c++17 bench/gen.cpp bench/gen_case.cpp -o build-web/zel23_gen_case
[ -s build-web/bus100000.raw ] ||
  build-web/zel23_gen_case --buses 100000 -o build-web/bus100000.raw
ZEL23="$PWD/$native/tools/zel23" BIG_CASE="$PWD/build-web/bus100000.raw" \
  node web/test/page.test.mjs
