#!/usr/bin/env bash
# Checks what a user of an installed zel23 gets.
#
# Builds zel23 (Release, tests off) in a temporary folder, installs it into a
# temporary prefix and checks the installed tree: the shared library with its
# SONAME and symlinks, the exported symbols, the headers, the CMake package and
# the pkg-config file. Then builds examples/consumer against that prefix
# through find_package, through pkg-config in CMake and by hand with
# pkg-config's flags (which runs only with an rpath or LD_LIBRARY_PATH), and
# runs them on a raw case file; builds the Debian packages with cpack and
# hands them to scripts/check-deb.sh (contents, dpkg -i, use, dpkg --purge,
# lintian); and
# builds a parent project that takes zel23 in with add_subdirectory.
#
# Usage: scripts/check-install.sh [case-file]
#   case-file        defaults to examples/sample.raw (or a minimal case made
#                    in the temporary folder when that file is missing)
#   EXPECTED_BUSES   environment: the bus count the consumers must print;
#                    without it the bus section is counted here
#   ZEL23_CHECK_JOBS environment: parallel build jobs (default 2)
#   ZEL23_CHECK_KEEP environment: 1 keeps the temporary folder
#
# Exits 0 when every check passes, 1 with a "FAIL:" line otherwise.

set -euo pipefail

started=$SECONDS
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${ZEL23_CHECK_JOBS:-2}
passed=0

say() { echo "check-install: $*"; }
fail() {
  echo "check-install: FAIL: $*" >&2
  echo "check-install: $passed passed, 1 failed"
  exit 1
}
ok() {
  passed=$((passed + 1))
  say "ok: $*"
}
# run LOG DESCRIPTION COMMAND...: runs the command with its output in LOG and
# shows the end of LOG when it fails.
run() {
  local log=$1 what=$2
  shift 2
  if ! "$@" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    fail "$what (full log: $log)"
  fi
}

missing=()
for tool in cmake cpack c++ pkg-config readelf nm c++filt ldd dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
if ((${#missing[@]})); then
  fail "missing tools: ${missing[*]} (Debian packages: cmake g++ pkgconf binutils dpkg-dev)"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/zel23-check-install.XXXXXX")
cleanup() {
  if [[ ${ZEL23_CHECK_KEEP:-0} == 1 ]]; then
    say "kept $work"
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT

generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
# Nothing from the caller's environment may steer the searches below.
unset CMAKE_PREFIX_PATH PKG_CONFIG_PATH zel23_DIR zel23_ROOT ZEL23_ROOT || true
export CMAKE_BUILD_PARALLEL_LEVEL=$jobs

build=$work/build
prefix=$work/prefix

# ---------------------------------------------------------------- build
say "building zel23 in $build"
run "$work/configure.log" "configuring zel23" \
  cmake -S "$repo" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DZEL23_BUILD_TESTS=OFF -DZEL23_BUILD_BENCH=OFF -DZEL23_FUZZ=OFF \
  -DZEL23_BUILD_TOOLS=ON -DZEL23_INSTALL=ON \
  -DZEL23_PYTHON=ON -DPython_EXECUTABLE=/usr/bin/python3 # for its Debian package
run "$work/build.log" "building zel23" cmake --build "$build" -j "$jobs"
ok "zel23 builds (Release, tests off)"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[[ $version =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)$ ]] ||
  fail "no project version X.Y.Z in the build cache (got '$version')"
major=${BASH_REMATCH[1]}

run "$work/install.log" "installing into $prefix" cmake --install "$build" --prefix "$prefix"
ok "cmake --install into a prefix chosen at install time"

# ---------------------------------------------------------------- library
lib_so=$(find "$prefix" -name "libzel23.so.$version" -type f | head -n 1)
[[ -n $lib_so ]] || fail "libzel23.so.$version not installed under $prefix"
libdir=$(dirname "$lib_so")
case ${libdir#"$prefix"/} in
lib | lib64 | lib/*-linux-gnu) ;;
*) fail "library installed in unexpected folder $libdir" ;;
esac

soname=$(readelf -d "$lib_so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[[ $soname == "libzel23.so.$major" ]] ||
  fail "SONAME of $lib_so is '$soname', expected libzel23.so.$major"
ok "SONAME libzel23.so.$major"

link=$(readlink "$libdir/libzel23.so.$major" || true)
[[ -L $libdir/libzel23.so.$major && $link == "libzel23.so.$version" ]] ||
  fail "libzel23.so.$major should be a symlink to libzel23.so.$version (is '$link')"
link=$(readlink "$libdir/libzel23.so" || true)
[[ -L $libdir/libzel23.so && $link == "libzel23.so.$major" ]] ||
  fail "libzel23.so should be a symlink to libzel23.so.$major (is '$link')"
ok "symlinks libzel23.so -> libzel23.so.$major -> libzel23.so.$version"

# Exported symbols: the record classes and their operator<<, the case
# functions, the two registry maps and namespace zel23 outside zel23::detail.
# A symbol version node, if the library gets one, is an absolute symbol named
# after the library.
nm -D --defined-only "$lib_so" >"$work/nm.txt" || fail "nm -D failed on $lib_so"
awk 'NF == 3 && !($2 == "A" && $3 ~ /^(ZEL23|zel23|LIBZEL23|libzel23)/) { print $2 }' \
  "$work/nm.txt" >"$work/types.txt"
awk 'NF == 3 && !($2 == "A" && $3 ~ /^(ZEL23|zel23|LIBZEL23|libzel23)/) { print $3 }' \
  "$work/nm.txt" | c++filt >"$work/exported.txt"
interface='ZELBus|ZELGenerator|ZELLoad|ZELBranch|ZELTransformerAdjustment|ZELAreaInterchange|ZELSwitchedShunt|ZELTwoTerminalDC|ZELParse|ZELPrint|BName2BNum|BNum2BName|zel23::'
paste -d ' ' "$work/types.txt" "$work/exported.txt" |
  awk -v re="$interface" '!($0 ~ re) || /zel23::detail/ { print "  " $0 }' >"$work/stray.txt"
if [[ -s $work/stray.txt ]]; then
  echo "exported symbols outside the interface:" >&2
  head -n 40 "$work/stray.txt" >&2
  fail "$(wc -l <"$work/stray.txt") exported symbol(s) of libzel23 are not part of its interface"
fi
for want in ZELBus ZELGenerator ZELLoad ZELBranch ZELTransformerAdjustment \
  ZELAreaInterchange ZELSwitchedShunt ZELTwoTerminalDC ZELParse ZELPrint BName2BNum \
  BNum2BName zel23::read zel23::write zel23::parse zel23::sectionName zel23::version; do
  grep -q -- "$want" "$work/exported.txt" || fail "libzel23 exports nothing for $want"
done
ok "exports only the interface ($(wc -l <"$work/exported.txt") symbols, none in zel23::detail)"

# ---------------------------------------------------------------- headers
for header in "$repo"/include/*.h; do
  name=$(basename "$header")
  cmp -s "$header" "$prefix/include/$name" || fail "header $name missing or different in $prefix/include"
done
ok "public headers in $prefix/include"

tool=$prefix/bin/zel23
[[ -x $tool ]] ||
  fail "the zel23 command is not installed as $tool (tools/CMakeLists.txt installs target zel23_tool)"
ok "zel23 command installed"

# ---------------------------------------------------------------- package files
cmakedir=$libdir/cmake/zel23
for f in zel23Config.cmake zel23ConfigVersion.cmake zel23Targets.cmake; do
  [[ -f $cmakedir/$f ]] || fail "$cmakedir/$f not installed"
done
pcfile=$libdir/pkgconfig/zel23.pc
[[ -f $pcfile ]] || fail "$pcfile not installed"
# An installed file that names the build or source tree breaks once they go.
if grep -rlF -e "$build" -e "$repo" "$cmakedir" "$pcfile" >"$work/leaks.txt"; then
  fail "installed package files name the build or source tree: $(tr '\n' ' ' <"$work/leaks.txt")"
fi
ok "CMake package and pkg-config file installed, no build paths inside"

# The imported target as find_package gives it, and the version rule: the
# same major version is accepted, the next one is not.
mkdir -p "$work/probe"
cat >"$work/probe/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.20)
project(probe LANGUAGES NONE)
find_package(zel23 $((major + 1)).0 CONFIG QUIET)
if(zel23_FOUND)
  message(FATAL_ERROR "find_package(zel23 $((major + 1)).0) accepted version \${zel23_VERSION}")
endif()
find_package(zel23 $major.0 CONFIG REQUIRED)
if(NOT zel23_VERSION STREQUAL "$version")
  message(FATAL_ERROR "zel23_VERSION is '\${zel23_VERSION}', expected $version")
endif()
if(NOT TARGET zel23::zel23)
  message(FATAL_ERROR "no imported target zel23::zel23")
endif()
get_target_property(type zel23::zel23 TYPE)
get_target_property(inc zel23::zel23 INTERFACE_INCLUDE_DIRECTORIES)
get_target_property(features zel23::zel23 INTERFACE_COMPILE_FEATURES)
get_target_property(location zel23::zel23 IMPORTED_LOCATION_RELEASE)
get_target_property(soname zel23::zel23 IMPORTED_SONAME_RELEASE)
if(NOT type STREQUAL "SHARED_LIBRARY")
  message(FATAL_ERROR "zel23::zel23 is a \${type}")
endif()
if(NOT inc STREQUAL "$prefix/include")
  message(FATAL_ERROR "include directories: '\${inc}', expected $prefix/include")
endif()
if(NOT "cxx_std_17" IN_LIST features)
  message(FATAL_ERROR "compile features: '\${features}', cxx_std_17 missing")
endif()
if(NOT location STREQUAL "$lib_so")
  message(FATAL_ERROR "location: '\${location}', expected $lib_so")
endif()
if(NOT soname STREQUAL "libzel23.so.$major")
  message(FATAL_ERROR "imported SONAME: '\${soname}'")
endif()
EOF
run "$work/probe.log" "find_package(zel23) from $prefix" \
  cmake -S "$work/probe" -B "$work/probe/build" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
ok "find_package(zel23 $major.0): zel23::zel23 with $prefix/include and cxx_std_17; $((major + 1)).0 refused"

pc_version=$(PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --modversion zel23) ||
  fail "pkg-config cannot read $pcfile"
[[ $pc_version == "$version" ]] || fail "pkg-config version is $pc_version, expected $version"
pc_flags=$(PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config --cflags --libs zel23)
[[ " $pc_flags " == *" -I$prefix/include "* && " $pc_flags " == *" -L$libdir "* &&
  " $pc_flags " == *" -lzel23 "* ]] || fail "pkg-config flags are '$pc_flags'"
ok "pkg-config: version $pc_version, flags $pc_flags"

# ---------------------------------------------------------------- consumers
case_file=${1:-$repo/examples/sample.raw}
if [[ ! -f $case_file ]]; then
  if [[ $# -gt 0 ]]; then fail "no case file $case_file"; fi
  case_file=$work/minimal.raw
  {
    echo "0   100.00 / minimal case"
    echo "NO BUS"
    echo "NO RECORD"
    for _ in 1 2 3 4 5 6 7; do echo "0"; done
  } >"$case_file"
  say "examples/sample.raw missing: using a minimal case without records"
fi
if [[ -n ${EXPECTED_BUSES:-} ]]; then
  expected=$EXPECTED_BUSES
else
  # Bus lines run from line 4 to the first terminator line, whose first
  # character other than blank, tab, CR or '#' is 0; blank lines do not count.
  expected=$(awk 'NR <= 3 { next }
    { s = $0; gsub(/[ \t\r#]/, "", s) }
    s == "" { next }
    substr(s, 1, 1) == "0" { exit }
    { n++ }
    END { print n + 0 }' "$case_file")
fi
say "case file $case_file: expecting 'buses: $expected'"

# check_links BINARY: the binary must load libzel23 from the temporary prefix.
check_links() {
  local line resolved
  line=$(ldd "$1" | grep 'libzel23\.so' || true)
  resolved=$(awk '{ print $3 }' <<<"$line")
  [[ -n $resolved && $resolved -ef $lib_so ]] ||
    fail "$(basename "$1") does not load libzel23 from $libdir (ldd: ${line:-no libzel23})"
}

say "building the consumer through find_package"
run "$work/consumer-cmake.log" "configuring the consumer with find_package" \
  cmake -S "$repo/examples/consumer" -B "$work/consumer-cmake" "${generator[@]}" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
found_dir=$(sed -n 's/^zel23_DIR:PATH=//p' "$work/consumer-cmake/CMakeCache.txt")
[[ $found_dir -ef $cmakedir ]] || fail "the consumer found zel23 in '$found_dir', not in $cmakedir"
run "$work/consumer-cmake-build.log" "building the consumer with find_package" \
  cmake --build "$work/consumer-cmake" -j "$jobs"
check_links "$work/consumer-cmake/consumer"
out_cmake=$("$work/consumer-cmake/consumer" "$case_file") ||
  fail "consumer (find_package) failed on $case_file: $out_cmake"
ok "consumer through find_package prints '$out_cmake'"

say "building the consumer through pkg-config"
run "$work/consumer-pc.log" "configuring the consumer with pkg-config" \
  env PKG_CONFIG_PATH="$libdir/pkgconfig" \
  cmake -S "$repo/examples/consumer" -B "$work/consumer-pc" "${generator[@]}" \
  -DCMAKE_BUILD_TYPE=Release -DUSE_PKGCONFIG=ON
if grep -q '^zel23_DIR:PATH=.*zel23' "$work/consumer-pc/CMakeCache.txt"; then
  fail "the pkg-config consumer used the CMake package"
fi
run "$work/consumer-pc-build.log" "building the consumer with pkg-config" \
  cmake --build "$work/consumer-pc" -j "$jobs"
check_links "$work/consumer-pc/consumer"
out_pc=$("$work/consumer-pc/consumer" "$case_file") ||
  fail "consumer (pkg-config) failed on $case_file: $out_pc"
ok "consumer through pkg-config prints '$out_pc'"

# A program built by hand with pkg-config's flags, as the README shows it:
# the loader does not search the temporary prefix, so the program runs only
# with the rpath the README adds, or with LD_LIBRARY_PATH.
say "building the consumer by hand with pkg-config's flags"
pc() { PKG_CONFIG_PATH=$libdir/pkgconfig pkg-config "$@"; }
consumer_src=$repo/examples/consumer/consumer.cpp
# shellcheck disable=SC2046 # pkg-config's flags are words
c++ -std=c++17 "$consumer_src" $(pc --cflags --libs zel23) -o "$work/by-hand" ||
  fail "c++ with pkg-config's flags"
if "$work/by-hand" "$case_file" >"$work/by-hand.out" 2>&1; then
  fail "a program linked without rpath ran: the loader finds $libdir by itself"
fi
grep -q 'libzel23\.so\.1: cannot open shared object file' "$work/by-hand.out" ||
  fail "a program linked without rpath failed otherwise: $(cat "$work/by-hand.out")"
out_ld=$(LD_LIBRARY_PATH=$(pc --variable=libdir zel23) "$work/by-hand" "$case_file") ||
  fail "the consumer with LD_LIBRARY_PATH failed: $out_ld"
# shellcheck disable=SC2046
c++ -std=c++17 "$consumer_src" $(pc --cflags --libs zel23) \
  -Wl,-rpath,"$(pc --variable=libdir zel23)" -o "$work/by-hand-rpath" ||
  fail "c++ with pkg-config's flags and an rpath"
check_links "$work/by-hand-rpath"
out_rpath=$("$work/by-hand-rpath" "$case_file") ||
  fail "the consumer with an rpath failed: $out_rpath"
[[ $out_ld == "$out_pc" && $out_rpath == "$out_pc" ]] ||
  fail "by hand: '$out_ld' with LD_LIBRARY_PATH, '$out_rpath' with rpath, expected '$out_pc'"
ok "by hand with pkg-config: fails without rpath, runs with -Wl,-rpath or LD_LIBRARY_PATH"

[[ $out_cmake == "$out_pc" ]] || fail "the consumers disagree: '$out_cmake' vs '$out_pc'"
[[ $out_cmake == "buses: $expected" ]] || fail "consumers print '$out_cmake', expected 'buses: $expected'"
ok "both consumers print 'buses: $expected'"

# The installed command must find the installed library by itself, and if it
# reports a bus count, that count must agree.
check_links "$tool"
if info=$("$tool" info --json "$case_file" 2>/dev/null); then
  # The record count per section sits under "records", the bus one as "bus".
  tool_buses=$(sed -n 's/^[[:space:]]*"bus"[[:space:]]*:[[:space:]]*\([0-9][0-9]*\).*/\1/p' <<<"$info")
  if [[ $tool_buses =~ ^[0-9]+$ ]]; then
    [[ $tool_buses == "$expected" ]] || fail "zel23 info --json counts $tool_buses buses, expected $expected"
    ok "installed 'zel23 info --json' counts $tool_buses buses too"
  else
    say "note: 'zel23 info --json' gives no single \"bus\": N member; its count is not compared"
  fi
else
  say "note: 'zel23 info --json' did not run; its count is not compared"
fi

# ---------------------------------------------------------------- Debian package
# One package per component (library, development files, command, Python
# where pybind11 is found); scripts/check-deb.sh looks inside them, installs them for
# real with dpkg, uses them, removes them and runs lintian.
say "building the Debian packages"
run "$work/cpack.log" "cpack -G DEB" \
  bash -c 'cd "$1" && cpack -G DEB -B "$2"' _ "$build" "$work/pkg"
debs=("$work"/pkg/*.deb)
[[ ${#debs[@]} -ge 3 && -f ${debs[0]} ]] || fail "cpack made fewer than three packages in $work/pkg"
for deb in "${debs[@]}"; do
  say "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
done
bash "$repo/scripts/check-deb.sh" "$case_file" "$expected" "${debs[@]}" || fail "scripts/check-deb.sh"
ok "scripts/check-deb.sh"

# ---------------------------------------------------------------- add_subdirectory
say "building a parent project that uses add_subdirectory"
mkdir -p "$work/parent"
cat >"$work/parent/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.20)
project(parent LANGUAGES CXX)
add_subdirectory("$repo" zel23)
foreach(option ZEL23_BUILD_TESTS ZEL23_BUILD_TOOLS ZEL23_BUILD_BENCH ZEL23_FUZZ ZEL23_INSTALL)
  if(\${option})
    message(FATAL_ERROR "\${option} is on under a parent project")
  endif()
endforeach()
foreach(target zel23_tool zel23_static)
  if(TARGET \${target})
    message(FATAL_ERROR "target \${target} exists under a parent project")
  endif()
endforeach()
get_property(subdirs DIRECTORY "$repo" PROPERTY SUBDIRECTORIES)
if(subdirs)
  message(FATAL_ERROR "zel23 added subdirectories under a parent project: \${subdirs}")
endif()
if(NOT TARGET zel23::zel23)
  message(FATAL_ERROR "no target zel23::zel23")
endif()
add_executable(parent_consumer "$repo/examples/consumer/consumer.cpp")
target_link_libraries(parent_consumer PRIVATE zel23::zel23)
EOF
run "$work/parent.log" "configuring the add_subdirectory parent" \
  cmake -S "$work/parent" -B "$work/parent/build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release
[[ ! -e $work/parent/build/CPackConfig.cmake ]] || fail "zel23 set up CPack under a parent project"
run "$work/parent-build.log" "building the add_subdirectory parent" \
  cmake --build "$work/parent/build" -j "$jobs"
stray_tool=$(find "$work/parent/build" -type f -name zel23 -perm -u+x -print -quit)
[[ -z $stray_tool ]] || fail "the zel23 command was built under a parent project: $stray_tool"
run "$work/parent-install.log" "installing the add_subdirectory parent" \
  cmake --install "$work/parent/build" --prefix "$work/parent/prefix"
if [[ -d $work/parent/prefix ]]; then
  stray_files=$(find "$work/parent/prefix" -mindepth 1 -not -type d)
  [[ -z $stray_files ]] || fail "zel23 installed files under a parent project: $(tr '\n' ' ' <<<"$stray_files")"
fi
out_parent=$("$work/parent/build/parent_consumer" "$case_file") ||
  fail "parent_consumer failed on $case_file: $out_parent"
[[ $out_parent == "$out_cmake" ]] || fail "parent_consumer prints '$out_parent', expected '$out_cmake'"
ok "add_subdirectory: zel23::zel23 links, no tool, tests, CPack or install rules"

say "all checks passed in $((SECONDS - started)) s"
say "$passed passed, 0 failed"
