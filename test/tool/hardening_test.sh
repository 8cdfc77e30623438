#!/usr/bin/env bash
# What a packaged command owes its user: text output never passes a control
# byte of the input to the terminal, --version, an example in every --help.
# Usage: hardening_test.sh CASE ZEL23 SOURCE_DIR WORK_DIR VERSION
set -u

case_name=$1
zel23=$2
work=$4/hardening_$case_name
version=$5
data=$(cd "$(dirname "$0")/data" && pwd)
crafted=$data/control_bytes.raw
esc=$'\x1b'

rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

fail() {
  echo "FAIL: $*"
  exit 1
}

# A control byte other than tab and line feed, anywhere in the file; JSON
# need not escape 0x7f, so `below` leaves it out.
has_control() { LC_ALL=C grep -q $'[\x01-\x08\x0b-\x1f\x7f]' "$1"; }
has_control_below_space() { LC_ALL=C grep -q $'[\x01-\x08\x0b-\x1f]' "$1"; }

case $case_name in

escaped_text)
  # command | a line its output must hold, control bytes shown as \xHH
  while IFS='|' read -r args line; do
    # shellcheck disable=SC2086
    "$zel23" $args >out 2>err
    has_control out && fail "zel23 $args passed a control byte through"
    grep -qxF -- "$line" out || fail "zel23 $args: no line '$line' in: $(cat out)"
  done <<EOF_TABLE
info $crafted|header 1                0 100.0 / \x1b[31mred\x1b[0m
info $crafted|header 2                SECOND\x07HEADER
check $crafted|$crafted:10: warning: branch 1-2 circuit '\x1b[1m' is already defined on line 9
check $crafted|  1,2,'\x1b[1m',0.01,0.1,0.02,100,110,120,0,0,0,0,0,0,1
diff $crafted $data/small.raw|  A: SECOND\x07HEADER
diff $crafted $data/small.raw|bus 1: NAME: 'A\x1b]0;pwned\x07' -> 'ALPHA ONE'
diff $crafted $data/small.raw|generator 1 'G\x7f': only in A
EOF_TABLE
  "$zel23" info "$data/no${esc}such.raw" >out 2>err
  [ "$(cat err)" = "zel23: cannot open '$data/no\\x1bsuch.raw': No such file or directory" ] ||
    fail "error message is '$(cat err)'"
  ;;

json_escaped)
  for args in "info --json" "check --json" "export --format json"; do
    # shellcheck disable=SC2086
    "$zel23" $args "$crafted" >out 2>err
    has_control_below_space out && fail "zel23 $args wrote a raw control byte"
    grep -qF '\u001b[31mred\u001b[0m' out || grep -qF '\u001b[1m' out ||
      fail "zel23 $args shows no \\u001b"
    /usr/bin/python3 -c 'import json,sys; json.load(open(sys.argv[1]))' out ||
      fail "zel23 $args wrote no valid JSON"
  done
  ;;

data_kept)
  # The raw printed form, CSV and DOT are data: the bytes stay.
  "$zel23" fmt "$crafted" >fmt.raw || fail "fmt failed"
  [ "$(head -n 1 fmt.raw)" = "$(head -n 1 "$crafted")" ] || fail "fmt changed header line 1"
  "$zel23" export "$crafted" --format csv -o csv || fail "export csv failed"
  grep -qF "'A${esc}]0;pwned"$'\x07'"'" csv/bus.csv || fail "bus.csv lost the name's bytes"
  "$zel23" graph "$crafted" >graph.dot || fail "graph failed"
  grep -qF "A${esc}]0;pwned" graph.dot || fail "the DOT label lost the name's bytes"
  ;;

version)
  out=$("$zel23" --version) || fail "zel23 --version exited $?"
  [ "$out" = "zel23 $version" ] || fail "zel23 --version printed '$out', expected 'zel23 $version'"
  ;;

help_examples)
  "$zel23" --help >out || fail "zel23 --help failed"
  grep -qF '\xHH' out || fail "zel23 --help does not say how control bytes are shown"
  subs=$(sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z]*\) .*/\1/p' out)
  [ "$(wc -w <<<"$subs")" -ge 6 ] || fail "found only these subcommands: $subs"
  for sub in $subs; do
    "$zel23" "$sub" --help >out || fail "zel23 $sub --help failed"
    grep -q "^Example: zel23 $sub " out || fail "zel23 $sub --help shows no example"
  done
  ;;

*)
  fail "unknown case $case_name"
  ;;
esac
exit 0
