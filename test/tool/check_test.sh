#!/usr/bin/env bash
# zel23 check's readiness output: the summary, --only, --ignore, --list-codes.
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
  [ "$("$zel23" check --only duplicate-bus,unknown-bus "$inconsistent" | tail -1)" = "0 errors, 3 warnings" ] ||
    fail "--only"
  [ "$("$zel23" check --ignore duplicate-bus,unknown-bus "$inconsistent" | tail -1)" = "0 errors, 8 warnings" ] ||
    fail "--ignore"
  "$zel23" check --only duplicate-bus --strict "$inconsistent" >/dev/null
  [ $? = 1 ] || fail "--strict counts what --only lists"
  "$zel23" check --ignore malformed-record "$inconsistent" >/dev/null 2>"$work/err"
  [ $? = 2 ] || fail "an error code is not a warning code"
  [ "$(cat "$work/err")" = "zel23: --ignore: 'malformed-record' is not a warning code (zel23 check --list-codes)" ] ||
    fail "message: $(cat "$work/err")"
  ;;
check_list_codes)
  "$zel23" check --list-codes >"$work/out" || fail "status $?"
  [ "$(wc -l <"$work/out")" = 30 ] || fail "$(wc -l <"$work/out") codes"
  grep -qx 'island-without-swing        warning  an island with load or generation but no swing bus' "$work/out" ||
    fail "no island-without-swing line"
  ;;
*)
  fail "no such case: $case_name"
  ;;
esac
echo "PASS: $case_name"
