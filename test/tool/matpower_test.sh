#!/usr/bin/env bash
# End-to-end cases of export matpower, import matpower and .m inputs.
# Usage: matpower_test.sh CASE ZEL23 SOURCE_DIR WORK_DIR; exit 0 pass, 1 fail.
set -u

case_name=$1
zel23=$2
work=$4/matpower_$case_name
data=$(cd "$(dirname "$0")/data" && pwd)
cases=$3/test/data/matpower
sample=$3/examples/sample.raw

rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

source "$data/../lib.sh"

case $case_name in
export)
  run 0 export matpower -o sample.m
  same sample.m "$data/expected/sample.m"
  same err "$data/expected/sample_matpower.err"
  [ ! -s out ] || fail "-o also wrote to standard output"
  run 0 export matpower "$sample"
  same out "$data/expected/sample.m"
  # The function is named after the file written.
  run 0 export matpower -o 2nd-try.m
  [ "$(head -1 2nd-try.m)" = "function mpc = case_2nd_try" ] || fail "$(head -1 2nd-try.m)"
  # Header lines cannot end their comment (a CR) or open a block comment; a
  # keyword is no function name.
  printf '0 100 / h\nT\rsystem("touch PWNED");\n{\n' >hostile.raw
  run 0 export matpower hostile.raw -o end.m
  [ "$(sed -n '1,3p' end.m)" = "$(printf 'function mpc = case_end\n%%Tsystem("touch PWNED");\n%% {')" ] ||
    fail "$(head -3 end.m)"
  grep -q '^zel23: note: header line 2: 1 byte dropped' err || fail "no note of the CR"
  ;;

import)
  run 0 import matpower "$cases/rich.m" -o rich.raw
  same rich.raw "$data/expected/rich.raw"
  same err "$data/expected/rich_import.err"
  run 0 import matpower - <"$cases/tiny.m"
  [ ! -s err ] || fail "notes for a case MATPOWER and raw both hold whole"
  run 0 import matpower "$data/expected/sample.m" -o back.raw
  # The raw file is written in the exact form: every mapped value comes back.
  run 0 diff "$data/expected/sample.m" back.raw
  ;;

inputs)
  run 0 check "$cases/tiny.m"
  [ "$(tail -1 out)" = "0 errors, 0 warnings, 0 notes" ] || fail "check: $(cat out)"
  run 0 info - <"$cases/rich.m"
  grep -q '^branch  *6$' out || fail "info of a .m on standard input"
  run 0 diff "$data/expected/sample.m" - <"$data/expected/sample.m"
  run 1 diff "$sample" "$data/expected/sample.m"
  [ "$(tail -1 out)" = "22 differences" ] || fail "diff: $(tail -1 out)"
  ;;

bad_input)
  sed 's/^\t2\t163\t/\t7\t163\t/; s/^\t2\t2\t90/\t2\t2\t9O/' "$cases/tiny.m" >bad.m
  echo keep >old.raw
  run 2 import matpower bad.m -o old.raw
  same err "$data/expected/bad_import.err"
  [ "$(cat old.raw)" = keep ] || fail "a failed import changed its output"
  [ -z "$(find . -name '.*.??????')" ] || fail "temporary file left behind"
  run 2 info bad.m
  err_is "zel23: cannot read 'bad.m': line 9: mpc.bus: a row holds '9O', which is not a number (3 more problems; zel23 check lists them all)"
  run 1 check bad.m
  run 2 import matpower bad.m -o bad.m
  err_is "zel23: refusing to overwrite the input 'bad.m'"
  # Numbers the printed form writes with all their digits import exactly.
  sed 's/^\t2\t2\t90\t30\t0\t0\t/\t2\t2\t1e300\t1e300\t1e300\t1e300\t/' "$cases/tiny.m" >huge.m
  run 0 import matpower huge.m -o huge.raw
  [ "$(grep -c '1e+300' huge.raw)" = 1 ] || fail "1e300 not written exactly: $(cat huge.raw)"
  ;;

*)
  fail "no such case: $case_name"
  ;;
esac
echo "PASS: $case_name"
