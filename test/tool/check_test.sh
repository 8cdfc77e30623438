#!/usr/bin/env bash
# zel23 check's readiness output: the summary, --only, --ignore, --list-codes,
# ten findings of a code in text and every one with --all and --json.
# Usage: check_test.sh CASE ZEL23 SOURCE_DIR WORK_DIR (exit 0 pass, 1 fail)
set -u
case_name=$1
zel23=$2
examples=$3/examples
data=$(cd "$(dirname "$0")/data" && pwd)
work=$4/$case_name
rm -rf "$work" && mkdir -p "$work" || exit 1

source "$data/../lib.sh"

case $case_name in
check_island)
  # The README's example, byte for byte.
  (cd "$examples" && "$zel23" check island.raw) >"$work/out" || fail "status $?"
  cmp "$work/out" "$data/expected/island.check" || fail "$(diff "$work/out" "$data/expected/island.check")"
  ;;
check_only_ignore)
  inconsistent=$data/inconsistent.raw
  [ "$("$zel23" check --only duplicate-bus,unknown-bus "$inconsistent" | tail -1)" = \
    "0 errors, 3 warnings, 0 notes; 8 left out by --only" ] || fail "--only"
  [ "$("$zel23" check --ignore duplicate-bus --ignore unknown-bus --only unknown-bus "$inconsistent" | tail -1)" = \
    "0 errors, 0 warnings, 0 notes; 11 left out by --only and --ignore" ] || fail "--ignore"
  "$zel23" check --only duplicate-bus --strict "$inconsistent" >/dev/null
  [ $? = 1 ] || fail "--strict counts what --only lists"
  "$zel23" check --ignore malformed-record "$inconsistent" >/dev/null 2>"$work/err"
  [ $? = 2 ] || fail "an error code is not a warning code"
  [ "$(cat "$work/err")" = "zel23: --ignore: 'malformed-record' is not a warning or note code (zel23 check --list-codes)" ] ||
    fail "message: $(cat "$work/err")"
  ;;
check_list_codes)
  "$zel23" check --list-codes >"$work/out" || fail "status $?"
  [ "$(wc -l <"$work/out")" = 32 ] || fail "$(wc -l <"$work/out") codes"
  grep -qx 'island-without-swing        warning  an island with load or generation but no swing bus' "$work/out" ||
    fail "no island-without-swing line"
  ;;
check_grouping)
  # Eleven voltages out of range (at buses nothing connects) and a unit
  # offline: ten listed, one counted.
  { printf '0 100\nh2\nh3\n1,3,0,0,0,0,1,1.0,0,A,1,1\n2,2,0,0,0,0,1,1.0,0,B,1,1\n'
    for i in $(seq 3 13); do echo "$i,1,0,0,0,0,1,2.0,0,C,1,1"; done
    printf '0\n1,1,0,0,0,0,1,0,1,0,0,0,0,1,1,1,0,0\n2,1,0,0,0,0,1,0,1,0,0,0,0,1,0,1,0,0\n'
    printf '0\n1,2,1,0,0.1,0,0,0,0,0,0,0,0,0,0,1\n0\n0\n0\n0\n0\n'; } >"$work/eleven.raw"
  cd "$work" || fail "no $work"
  "$zel23" check --ignore unconnected-bus eleven.raw >out || fail "status $?"
  [ "$(grep -c ': warning: bus [0-9]* has voltage magnitude' out)" = 10 ] || fail "not ten listed"
  grep -qx 'eleven.raw: voltage-out-of-range: 1 more not listed (--all lists them)' out ||
    fail "no line for the one more"
  grep -qx 'voltage-out-of-range        11 warnings' out || fail "no count per code"
  grep -qx 'pv-bus-generators-offline   1 note' out || fail "no count of the note"
  [ "$(tail -1 out)" = "0 errors, 11 warnings, 1 note; 11 left out by --ignore" ] ||
    fail "totals: $(tail -1 out)"
  "$zel23" check --all --ignore unconnected-bus eleven.raw >out || fail "--all status $?"
  [ "$(grep -c ': warning: bus [0-9]* has voltage magnitude' out)" = 11 ] || fail "--all lists not eleven"
  ! grep -q 'more not listed' out || fail "--all still counts some"
  "$zel23" check --json eleven.raw >out || fail "--json status $?"
  [ "$(grep -c '"code": "voltage-out-of-range"' out)" = 11 ] || fail "--json lists not eleven"
  grep -q '"severity": "note"' out || fail "--json has no note"
  # Notes are not warnings: --strict passes over them.
  "$zel23" check --strict --only pv-bus-generators-offline eleven.raw >out || fail "--strict on a note"
  ;;
*)
  fail "no such case: $case_name"
  ;;
esac
echo "PASS: $case_name"
