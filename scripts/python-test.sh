#!/usr/bin/env bash
# Builds the Python package, installs zel23 with it into a temporary prefix
# exactly as a user installs it (cmake --install), and runs the pytest suite
# with Debian's /usr/bin/python3 on the installed package, never on the build
# tree.
#
#   scripts/python-test.sh [BUILD_DIR]    (default: build-python)
#
# An existing BUILD_DIR keeps its settings (scripts/test.sh passes build-ci);
# a new one is configured Release without the C++ tests. A BUILD_DIR built
# with AddressSanitizer (scripts/test.sh passes build-asan, which
# scripts/sanitize.sh made) runs the suite in an interpreter with the
# sanitizers' runtimes preloaded, so that an out-of-bounds access in the
# module or the library fails the test that made it.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$repo/build-python}")
python=/usr/bin/python3

options=(-DZEL23_PYTHON=ON -DPython_EXECUTABLE="$python")
[ -f "$build/CMakeCache.txt" ] ||
  options+=(-DCMAKE_BUILD_TYPE=Release -DZEL23_BUILD_TESTS=OFF -DZEL23_WERROR=ON)
cmake -S "$repo" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"

prefix=$(mktemp -d /tmp/zel23_python.XXXXXX)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
site="$prefix/$(sed -n 's/^ZEL23_PYTHON_INSTALL_DIR:[A-Z]*=//p' "$build/CMakeCache.txt")"

# The interpreter is not built with the sanitizers: their runtimes must be
# loaded before anything else.
flags=$(sed -n 's/^CMAKE_CXX_FLAGS:[A-Z]*=//p' "$build/CMakeCache.txt")
preload=()
case $flags in *-fsanitize=*address*) preload+=("$(g++ -print-file-name=libasan.so)") ;; esac
case $flags in *-fsanitize=*undefined*) preload+=("$(g++ -print-file-name=libubsan.so)") ;; esac
if [ ${#preload[@]} -gt 0 ]; then
  # CPython keeps some objects to the end on purpose: leaks are not errors.
  export LD_PRELOAD="${preload[*]}" ASAN_OPTIONS=detect_leaks=0
  export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ZEL23_SANITIZED=1
  echo "== python tests under ${LD_PRELOAD}"
fi

cd "$prefix" # nothing of the source tree on sys.path
PYTHONPATH="$site" "$python" -c "
import sys, zel23
if not zel23.__file__.startswith('$site/zel23/'):
    sys.exit('zel23 imported from ' + zel23.__file__ + ', not from the installed package')"
PYTHONPATH="$site" ZEL23_TOOL="${ZEL23_TOOL:-$prefix/bin/zel23}" PYTHONDONTWRITEBYTECODE=1 \
  "$python" -m pytest -q -p no:cacheprovider "$repo/python/tests"
# The types, on the installed package. The compiled module's stubs, which the
# build generated from it, against the module itself (mypy's stubtest: a name,
# argument or field that one has and the other lacks fails); then mypy over
# the package, which is its own stub (every function annotated), and over
# python/tests/typing_usage.py, which pins what the types tell a user.
if [ ${#preload[@]} -eq 0 ]; then
  [ -f "$site/zel23/_zel23.pyi" ] || { echo "no generated stubs for zel23._zel23" >&2; exit 1; }
  cd "$site" # mypy finds the installed package here, and leaves its cache here
  PYTHONPATH="$site" "$python" -m mypy.stubtest --mypy-config-file "$repo/python/mypy.ini" \
    --allowlist "$repo/python/stubtest-allowlist.txt" zel23._zel23
  "$python" -m mypy --config-file "$repo/python/mypy.ini" zel23 "$repo/python/tests/typing_usage.py"
fi
