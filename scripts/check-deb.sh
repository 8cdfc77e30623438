#!/usr/bin/env bash
# Checks a zel23 Debian package the way a user meets it: installs it on this
# machine with dpkg -i, runs the installed zel23 on its bundled sample and on
# a case file, builds examples/consumer against the installed headers and
# library, removes the package with dpkg -r and checks that every file it
# brought is gone. Then runs lintian on the package, which must report no
# error (warnings are shown, not fatal).
#
# Usage: scripts/check-deb.sh PACKAGE.deb CASE_FILE BUSES
#   CASE_FILE        a raw case file; the consumer must print "buses: BUSES"
#   ZEL23_CHECK_DPKG environment: 0 skips install and removal (they need root
#                    or sudo without a password); lintian still runs
#
# A zel23 package already installed, or a file of the package already on the
# machine, stops the check before anything is installed: it never replaces
# what it did not put there. Exits 0 when every check passes, 1 with a
# "FAIL:" line otherwise.

set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deb=$1
case_file=$2
buses=$3
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

[[ -f $deb ]] || fail "no package $deb"
for tool in dpkg dpkg-deb dpkg-query lintian cmake c++ ldd pkg-config; do
  command -v "$tool" >/dev/null 2>&1 || fail "missing tool $tool (scripts/deps.sh installs it)"
done
version=$(dpkg-deb -f "$deb" Version)
work=$(mktemp -d "${TMPDIR:-/tmp}/zel23-check-deb.XXXXXX")
installed=0
sudo=()

remove() { "${sudo[@]}" dpkg -r zel23 >"$work/remove.log" 2>&1; }
cleanup() {
  if ((installed)); then remove || echo "check-deb: could not remove zel23 (see $work)" >&2; fi
  rm -rf "$work"
}
trap cleanup EXIT

if [[ ${ZEL23_CHECK_DPKG:-1} == 0 ]]; then
  say "ZEL23_CHECK_DPKG=0: install and removal skipped"
else
  if [[ $(id -u) != 0 ]]; then
    sudo -n true 2>/dev/null || fail "dpkg -i needs root or sudo without a password (ZEL23_CHECK_DPKG=0 skips it)"
    sudo=(sudo -n)
  fi
  if dpkg-query -W -f='${Status}' zel23 2>/dev/null | grep -q ' installed$'; then
    fail "a zel23 package is installed already; remove it first (dpkg -r zel23)"
  fi

  # The package's paths, and which of its folders the machine had before.
  dpkg-deb -c "$deb" | awk '{ print $1, $6 }' | sed 's| \./| /|; s|/$||' >"$work/contents"
  : >"$work/own-folders"
  while read -r mode path; do
    [[ $path == / || -z $path ]] && continue
    if [[ $mode == d* ]]; then
      [[ -d $path ]] || echo "$path" >>"$work/own-folders"
    elif [[ -e $path || -L $path ]]; then
      fail "$path exists already and does not come from a zel23 package"
    fi
  done <"$work/contents"

  t=$SECONDS
  "${sudo[@]}" dpkg -i "$deb" >"$work/install.log" 2>&1 || {
    cat "$work/install.log" >&2
    fail "dpkg -i $deb"
  }
  installed=1
  ok "dpkg -i $(basename "$deb") in $((SECONDS - t)) s"

  # ------------------------------------------------------------ the command
  tool=/usr/bin/zel23
  [[ $(command -v zel23) == "$tool" ]] || fail "zel23 on PATH is $(command -v zel23), not $tool"
  lib=$(ldd "$tool" | awk '/libzel23\.so/ { print $3 }')
  [[ $lib -ef /usr/lib/libzel23.so.${version%%.*} ]] || fail "$tool loads '$lib'"
  out=$(zel23 --version) && [[ $out == "zel23 $version" ]] ||
    fail "zel23 --version printed '$out', expected 'zel23 $version'"
  out=$(zel23 check) || fail "zel23 check on the bundled sample exited $?: $out"
  [[ ${out##*$'\n'} == "0 errors, 0 warnings, 0 notes" ]] || fail "zel23 check on the bundled sample: $out"
  zel23 info --json "$case_file" >"$work/info.json" || fail "zel23 info --json $case_file"
  grep -Eq "\"bus\": $buses,?\$" "$work/info.json" || fail "zel23 info does not count $buses buses"
  zcat /usr/share/man/man1/zel23.1.gz | grep -q '^\.TH ZEL23 "1"' ||
    fail "no manual page zel23(1) in /usr/share/man/man1"
  ok "installed zel23 $version: loads $lib, checks the bundled sample, counts $buses buses, has zel23(1)"

  # ------------------------------------------------------------ the consumer
  unset CMAKE_PREFIX_PATH PKG_CONFIG_PATH zel23_DIR zel23_ROOT || true
  cmake -S "$repo/examples/consumer" -B "$work/consumer" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >"$work/consumer.log" 2>&1 &&
    cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 || {
    tail -n 30 "$work/consumer.log" >&2
    fail "building examples/consumer against the installed package"
  }
  found=$(sed -n 's/^zel23_DIR:PATH=//p' "$work/consumer/CMakeCache.txt")
  [[ $found == /usr/lib/cmake/zel23 ]] || fail "the consumer found zel23 in '$found'"
  lib=$(ldd "$work/consumer/consumer" | awk '/libzel23\.so/ { print $3 }')
  [[ $lib -ef /usr/lib/libzel23.so.${version%%.*} ]] || fail "the consumer loads '$lib'"
  out=$("$work/consumer/consumer" "$case_file") || fail "the consumer failed: $out"
  [[ $out == "buses: $buses" ]] || fail "the consumer prints '$out', expected 'buses: $buses'"
  [[ $(pkg-config --modversion zel23) == "$version" ]] || fail "pkg-config does not see zel23 $version"
  ok "consumer built with find_package against /usr prints '$out'; pkg-config sees $version"

  # ------------------------------------------------------------ removal
  dpkg -L zel23 >"$work/listed"
  t=$SECONDS
  remove || {
    cat "$work/remove.log" >&2
    fail "dpkg -r zel23"
  }
  installed=0
  if dpkg-query -W -f='${Status}' zel23 2>/dev/null | grep -q ' installed$'; then
    fail "zel23 still installed after dpkg -r"
  fi
  left=()
  while read -r path; do
    if [[ -d $path && ! -L $path ]]; then
      grep -qxF "$path" "$work/own-folders" && left+=("$path/")
    elif [[ -e $path || -L $path ]]; then
      left+=("$path")
    fi
  done <"$work/listed"
  ((${#left[@]} == 0)) || fail "left behind after dpkg -r: ${left[*]}"
  ok "dpkg -r in $((SECONDS - t)) s: the $(grep -c . "$work/listed") paths dpkg -L listed are gone"
fi

# ------------------------------------------------------------ lintian
lintian --fail-on error "$deb" >"$work/lintian.txt" 2>&1 || status=$?
say "lintian printed:"
grep -v 'running with root privileges' "$work/lintian.txt" | sed 's/^/    /'
((${status:-0} == 0)) || fail "lintian reports errors on $(basename "$deb")"
ok "lintian: $(grep -c '^E:' "$work/lintian.txt" || true) errors, $(grep -c '^W:' "$work/lintian.txt" || true) warnings"

say "all checks passed in $((SECONDS - started)) s"
say "$passed passed, 0 failed"
