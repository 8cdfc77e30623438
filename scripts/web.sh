#!/bin/bash
# Builds the page's WebAssembly module with Emscripten into web/page/zel23.js
# (the module is inside that file), so that web/page/index.html works opened
# from the file system or from any static web server.
#   bash scripts/web.sh [BUILD_DIR]     (default build-web)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-web}
# Debian's emscripten runs its compiler parts on the system's Node.js, which
# finds its modules only there.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-}
emcmake cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZEL23_WERROR=ON \
  -DZEL23_BUILD_TESTS=OFF -DZEL23_BUILD_TOOLS=OFF -DZEL23_PYTHON=OFF \
  -DZEL23_INSTALL=OFF -Wno-dev >/dev/null
cmake --build "$build" -j"${ZEL23_JOBS:-2}" --target zel23_web
echo "web/page/zel23.js: $(stat -c %s web/page/zel23.js) bytes"
