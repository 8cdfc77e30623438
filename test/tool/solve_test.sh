#!/usr/bin/env bash
# zel23 solve end to end: the summary, the report of a case that does not
# converge, the solved case and the JSON written, and bad input refused.
# Usage: solve_test.sh CASE ZEL23 SOURCE_DIR WORK_DIR (exit 0 pass, 1 fail)
set -u
case_name=$1
zel23=$2
examples=$3/examples
data=$(cd "$(dirname "$0")/data" && pwd)
expected=$data/expected
work=$4/$case_name
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
cp "$data"/diverge.raw "$examples"/sample.raw "$examples"/broken.raw . || exit 1

source "$data/../lib.sh"

case $case_name in
solve_sample)
  run 0 solve sample.raw
  grep -Eqx 'solve time +[0-9]+\.[0-9]{3} ms \(sparse LU [0-9]+%, .*' out || fail "no solve time"
  grep -Eqx 'largest mismatch +[0-9.]+e-1[0-9] p.u. at bus .*' out || fail "mismatch"
  grep -Ev '^(solve time|largest mismatch)' out >summary
  same summary "$expected/sample.solve"
  ;;
solve_diverge)
  # Every iteration's mismatch and the buses to look at, with their lines;
  # nothing written.
  run 1 solve diverge.raw -o solved.raw
  same out "$expected/diverge.solve"
  err_is "zel23: not converged: nothing written to 'solved.raw'"
  [ ! -e solved.raw ] || fail "a case that did not converge was written"
  ;;
solve_output)
  run 0 solve sample.raw -o solved.raw
  run 1 diff sample.raw solved.raw
  grep -q "^bus 104: VM: 1.0187 -> " out || fail "VM not written: $(head -3 out)"
  if grep -Eq ': (ID|PT|PB|IDE|NAME):' out; then fail "more than the solution changed"; fi
  # The case written is the solution, every digit of it.
  run 0 solve solved.raw
  grep -Eqx 'iterations +0' out || fail "the written case is not solved: $(grep iter out)"
  run 0 solve sample.raw --json --flat
  /usr/bin/python3 -c '
import json, math, sys
d = json.load(open("out"))
assert d["status"] == "converged" and len(d["buses"]) == 14 and len(d["branches"]) == 18
assert all(math.isfinite(b["vm"]) for b in d["buses"])
assert [b["line"] for b in d["buses"]][:2] == [4, 5]
' || fail "JSON"
  ;;
solve_bad_input)
  sed 's/^ 101,3,/ 101,1,/' sample.raw >noswing.raw
  run 2 solve noswing.raw -o out.raw
  err_is "zel23: 'noswing.raw': no island has a swing bus (type 3): there is nothing to solve
zel23: cannot solve 'noswing.raw': 1 problem"
  sed 's/^ 104, 105,.1 .,0.00840,0.04210,/ 104, 105,'"'1 '"',0.0,0.0,/; s/^ 205,1,   80.000/ 205,1,      nan/' \
    sample.raw >zero.raw
  run 2 solve zero.raw
  err_is "zel23: 'zero.raw' line 15: bus 205 has PL nan: not a finite number
zel23: 'zero.raw' line 34: branch 104-105 circuit '1 ' has zero impedance (R = X = 0)
zel23: cannot solve 'zero.raw': 2 problems"
  run 2 solve broken.raw
  err_is "zel23: cannot read 'broken.raw': line 8: Error parsing bus data (and 3 more; zel23 check lists them all)"
  run 2 solve sample.raw --max-iterations 0
  [ ! -e out.raw ] || fail "output written"
  ;;
*)
  fail "no such case: $case_name"
  ;;
esac
