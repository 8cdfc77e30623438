#!/usr/bin/env bash
# Installs the Debian packages the build, the tools and the tests need, if
# any is missing. Safe to run again.
set -euo pipefail

packages=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  nlohmann-json3-dev graphviz pkg-config python3 binutils dpkg-dev file
  clang libclang-rt-14-dev valgrind locales)
# The Debian package check and the manual page.
packages+=(lintian help2man)
# The Python package: headers, pybind11, and what its tests and examples use.
packages+=(python3-dev pybind11-dev python3-pybind11 python3-numpy python3-pandas
  python3-pytest python3-matplotlib python3-hypothesis python3-mypy)
# The power flow's sparse LU (KLU).
packages+=(libsuitesparse-dev)
# The page: the WebAssembly build and the browser its tests drive (Node.js
# and npm, which fetch puppeteer-core, come with the machine).
packages+=(emscripten chromium)
command -v npm >/dev/null || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# A locale with a decimal comma, so the tests can show that conversions and
# printing do not follow the process locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: could not generate de_DE.UTF-8"
fi

# Octave loads the MATPOWER files the tests write. Without recommends it
# stays small (no GUI, no documentation), so it gets an apt-get of its own.
if ! command -v octave-cli >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    octave >/dev/null
fi
