#!/usr/bin/env bash
# Checks zel23's Debian packages the way a user meets them: looks inside
# each (files, control fields, copyright), installs them together on this
# machine with dpkg -i, runs the installed zel23 on its bundled sample and on
# a case file, builds examples/consumer against the installed headers and
# library, imports the Python package with /usr/bin/python3, removes the
# packages with dpkg --purge (nothing kept) and checks that every file they
# brought is gone. Then runs lintian on them, which must report no error (warnings are shown,
# not fatal).
#
# Usage: scripts/check-deb.sh CASE_FILE BUSES PACKAGE.deb...
#   CASE_FILE        a raw case file; the consumer must print "buses: BUSES"
#   PACKAGE.deb      what cpack -G DEB made: libzel23-N, libzel23-dev and
#                    zel23 at least; python3-zel23 and libzel23-flowN when
#                    built
#   ZEL23_CHECK_DPKG environment: 0 skips install and removal (they need root
#                    or sudo without a password); lintian still runs
#
# A zel23 package already installed, or a file of a package already on the
# machine, stops the check before anything is installed: it never replaces
# what it did not put there. Exits 0 when every check passes, 1 with a
# "FAIL:" line otherwise.

set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
case_file=$(realpath "$1")
buses=$2
shift 2
debs=("$@")
passed=0
started=$SECONDS

say() { echo "check-deb: $*"; }
fail() {
  echo "check-deb: FAIL: $*" >&2
  echo "check-deb: $passed passed, 1 failed"
  exit 1
}
ok() {
  passed=$((passed + 1))
  say "ok: $*"
}

((${#debs[@]})) || fail "no package given"
for tool in dpkg dpkg-deb dpkg-query lintian cmake c++ ldd pkg-config; do
  command -v "$tool" >/dev/null 2>&1 || fail "missing tool $tool (scripts/deps.sh installs it)"
done
work=$(mktemp -d "${TMPDIR:-/tmp}/zel23-check-deb.XXXXXX")
installed=()
sudo=()

remove() { "${sudo[@]}" dpkg --purge "${installed[@]}" >"$work/remove.log" 2>&1; }
cleanup() {
  if ((${#installed[@]})); then remove || echo "check-deb: could not remove ${installed[*]} (see $work)" >&2; fi
  rm -rf "$work"
}
trap cleanup EXIT

# ------------------------------------------------------------ the packages
declare -A deb_of
version=
for deb in "${debs[@]}"; do
  [[ -f $deb ]] || fail "no package $deb"
  name=$(dpkg-deb -f "$deb" Package)
  deb_of[$name]=$deb
  v=$(dpkg-deb -f "$deb" Version)
  [[ -z $version || $v == "$version" ]] || fail "$name is version $v, not $version"
  version=$v
  dpkg-deb -c "$deb" | awk '{ print $1, $6 ($7 ? " " $7 " " $8 : "") }' | sed 's| \./| /|' >"$work/$name.contents"
done
major=${version%%.*}
lib=libzel23-$major
for name in "$lib" libzel23-dev zel23; do
  [[ -n ${deb_of[$name]:-} ]] || fail "no package $name among ${debs[*]}"
done
has() { # has PACKAGE PATTERN WHAT
  grep -Eq -- "$2" "$work/$1.contents" || fail "$1 holds no $3"
}
depends() { # depends PACKAGE PATTERN
  [[ $(dpkg-deb -f "${deb_of[$1]}" Depends) =~ $2 ]] ||
    fail "$1 does not depend on $2: $(dpkg-deb -f "${deb_of[$1]}" Depends)"
}
has "$lib" "^-.* /usr/lib/([^/]*/)?libzel23\.so\.$version\$" "libzel23.so.$version"
has "$lib" "^l.* /usr/lib/([^/]*/)?libzel23\.so\.$major -> libzel23\.so\.$version\$" "libzel23.so.$major link"
# /usr/lib, or its multiarch folder when the build's prefix was /usr.
libdir=$(sed -n "s|^l.* \(/usr/lib.*\)/libzel23\.so\.$major -> .*|\1|p" "$work/$lib.contents")
# (Each file is read whole before grep -q, which stops early.)
dpkg-deb --ctrl-tarfile "${deb_of[$lib]}" | tar -xOf - ./shlibs >"$work/shlibs"
grep -qx "libzel23 $major $lib (>= $version)" "$work/shlibs" ||
  fail "$lib has no shlibs line for libzel23.so.$major"
depends "$lib" 'libstdc\+\+6'
for header in "$repo"/include/*.h; do
  has libzel23-dev " /usr/include/$(basename "$header")\$" "$(basename "$header")"
done
has libzel23-dev "^l.* /usr/lib/([^/]*/)?libzel23\.so -> libzel23\.so\.$major\$" "libzel23.so link"
has libzel23-dev " /usr/lib/([^/]*/)?cmake/zel23/zel23Config\.cmake\$" "CMake package"
has libzel23-dev " /usr/lib/([^/]*/)?pkgconfig/zel23\.pc\$" "pkg-config file"
dpkg-deb --fsys-tarfile "${deb_of[libzel23-dev]}" | tar -xOf - --wildcards './usr/lib/*zel23.pc' >"$work/pc"
grep -qx 'prefix=/usr' "$work/pc" || fail "the packaged zel23.pc does not say prefix=/usr"
depends libzel23-dev "$lib \(= $version\)"
has zel23 "^-..x.* /usr/bin/zel23\$" "zel23 command"
has zel23 " /usr/share/man/man1/zel23\.1\.gz\$" "manual page zel23(1)"
depends zel23 "$lib \(= $version\)"
if [[ -n ${deb_of[python3-zel23]:-} ]]; then
  has python3-zel23 " /usr/lib/python3/dist-packages/zel23/__init__\.py\$" "zel23/__init__.py"
  has python3-zel23 " /usr/lib/python3/dist-packages/zel23/_zel23\..*\.so\$" "compiled module"
  has python3-zel23 " /usr/lib/python3/dist-packages/zel23/_zel23\.pyi\$" "its type stubs"
  has python3-zel23 " /usr/lib/python3/dist-packages/zel23/py\.typed\$" "py.typed"
  for want in "$lib \(= $version\)" 'python3 \(>= 3' python3-numpy python3-pandas; do
    depends python3-zel23 "$want"
  done
fi
if [[ -n ${deb_of[libzel23-flow$major]:-} ]]; then
  has "libzel23-flow$major" " /usr/lib/([^/]*/)?libzel23-flow\.so\.$major -> " "libzel23-flow.so.$major"
  depends "libzel23-flow$major" "$lib \(= $version\)"
  depends zel23 "libzel23-flow$major \(= $version\)"
fi
holder=$(sed -n 's/^Copyright (c) //p' "$repo/LICENSE")
for name in "${!deb_of[@]}"; do
  has "$name" " /usr/share/doc/$name/changelog\.gz\$" "changelog"
  dpkg-deb --fsys-tarfile "${deb_of[$name]}" | tar -xOf - "./usr/share/doc/$name/copyright" >"$work/copyright"
  grep -qF "$holder" "$work/copyright" || fail "the copyright file of $name does not name the holder in LICENSE"
done
ok "${!deb_of[*]} $version: each its files, dependencies, copyright and changelog"

if [[ ${ZEL23_CHECK_DPKG:-1} == 0 ]]; then
  say "ZEL23_CHECK_DPKG=0: install and removal skipped"
else
  if [[ $(id -u) != 0 ]]; then
    sudo -n true 2>/dev/null || fail "dpkg -i needs root or sudo without a password (ZEL23_CHECK_DPKG=0 skips it)"
    sudo=(sudo -n)
  fi
  # The packages' paths, and which of their folders the machine had before.
  : >"$work/own-folders"
  for name in "${!deb_of[@]}"; do
    if dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q ' installed$'; then
      fail "$name is installed already; remove it first (dpkg -r $name)"
    fi
    while read -r mode path _; do
      path=${path%/}
      [[ -z $path ]] && continue
      if [[ $mode == d* ]]; then
        [[ -d $path ]] || echo "$path" >>"$work/own-folders"
      elif [[ -e $path || -L $path ]]; then
        fail "$path exists already and does not come from a zel23 package"
      fi
    done <"$work/$name.contents"
  done

  t=$SECONDS
  "${sudo[@]}" dpkg -i "${debs[@]}" >"$work/install.log" 2>&1 || {
    cat "$work/install.log" >&2
    installed=("${!deb_of[@]}")
    fail "dpkg -i ${debs[*]}"
  }
  installed=("${!deb_of[@]}")
  ok "dpkg -i of ${#debs[@]} packages in $((SECONDS - t)) s"

  # ------------------------------------------------------------ the command
  tool=/usr/bin/zel23
  [[ $(command -v zel23) == "$tool" ]] || fail "zel23 on PATH is $(command -v zel23), not $tool"
  so=$(ldd "$tool" | awk '/libzel23\.so/ { print $3 }')
  [[ $so -ef $libdir/libzel23.so.$major ]] || fail "$tool loads '$so'"
  out=$(zel23 --version) && [[ $out == "zel23 $version" ]] ||
    fail "zel23 --version printed '$out', expected 'zel23 $version'"
  out=$(zel23 check) || fail "zel23 check on the bundled sample exited $?: $out"
  [[ ${out##*$'\n'} == "0 errors, 0 warnings, 0 notes" ]] || fail "zel23 check on the bundled sample: $out"
  zel23 info --json "$case_file" >"$work/info.json" || fail "zel23 info --json $case_file"
  grep -Eq "\"bus\": $buses,?\$" "$work/info.json" || fail "zel23 info does not count $buses buses"
  zcat /usr/share/man/man1/zel23.1.gz | grep -q '^\.TH ZEL23 "1"' ||
    fail "no manual page zel23(1) in /usr/share/man/man1"
  ok "installed zel23 $version: loads $so, checks the bundled sample, counts $buses buses, has zel23(1)"

  # ------------------------------------------------------------ the consumer
  unset CMAKE_PREFIX_PATH PKG_CONFIG_PATH zel23_DIR zel23_ROOT || true
  cmake -S "$repo/examples/consumer" -B "$work/consumer" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >"$work/consumer.log" 2>&1 &&
    cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 || {
    tail -n 30 "$work/consumer.log" >&2
    fail "building examples/consumer against the installed packages"
  }
  found=$(sed -n 's/^zel23_DIR:PATH=//p' "$work/consumer/CMakeCache.txt")
  [[ $found == "$libdir/cmake/zel23" ]] || fail "the consumer found zel23 in '$found'"
  so=$(ldd "$work/consumer/consumer" | awk '/libzel23\.so/ { print $3 }')
  [[ $so -ef $libdir/libzel23.so.$major ]] || fail "the consumer loads '$so'"
  out=$("$work/consumer/consumer" "$case_file") || fail "the consumer failed: $out"
  [[ $out == "buses: $buses" ]] || fail "the consumer prints '$out', expected 'buses: $buses'"
  [[ $(pkg-config --modversion zel23) == "$version" ]] || fail "pkg-config does not see zel23 $version"
  ok "consumer built with find_package against /usr prints '$out'; pkg-config sees $version"

  # ------------------------------------------------------------ Python
  if [[ -n ${deb_of[python3-zel23]:-} ]]; then
    out=$(cd "$work" && /usr/bin/python3 -c "
import sys, zel23
print(zel23.__file__, len(zel23.read(sys.argv[1]).buses))" "$case_file") ||
      fail "/usr/bin/python3 cannot use the installed zel23: $out"
    [[ $out == "/usr/lib/python3/dist-packages/zel23/__init__.py $buses" ]] ||
      fail "/usr/bin/python3 says '$out'"
    ok "/usr/bin/python3 imports zel23 from /usr/lib/python3/dist-packages and counts $buses buses"
  fi

  # ------------------------------------------------------------ removal
  : >"$work/listed"
  for name in "${installed[@]}"; do dpkg -L "$name" >>"$work/listed"; done
  t=$SECONDS
  remove || {
    cat "$work/remove.log" >&2
    fail "dpkg --purge ${installed[*]}"
  }
  for name in "${installed[@]}"; do
    if dpkg-query -W "$name" >/dev/null 2>&1; then
      fail "dpkg still knows $name after dpkg --purge"
    fi
  done
  installed=()
  left=()
  while read -r path; do
    if [[ -d $path && ! -L $path ]]; then
      grep -qxF "$path" "$work/own-folders" && left+=("$path/")
    elif [[ -e $path || -L $path ]]; then
      left+=("$path")
    fi
  done < <(sort -u "$work/listed")
  ((${#left[@]} == 0)) || fail "left behind after dpkg --purge: ${left[*]}"
  ok "dpkg --purge in $((SECONDS - t)) s: the $(sort -u "$work/listed" | grep -c .) paths dpkg -L listed are gone"
fi

# ------------------------------------------------------------ lintian
lintian --fail-on error "${debs[@]}" >"$work/lintian.txt" 2>&1 || status=$?
say "lintian printed:"
grep -v 'running with root privileges' "$work/lintian.txt" | sed 's/^/    /'
((${status:-0} == 0)) || fail "lintian reports errors"
ok "lintian: $(grep -c '^E:' "$work/lintian.txt" || true) errors, $(grep -c '^W:' "$work/lintian.txt" || true) warnings"

say "all checks passed in $((SECONDS - started)) s"
say "$passed passed, 0 failed"
