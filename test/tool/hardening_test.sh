#!/usr/bin/env bash
# Text output escapes the input's control bytes; --version; --help examples.
# Usage: hardening_test.sh CASE ZEL23 SOURCE_DIR WORK_DIR VERSION
set -u
zel23=$2 version=$5 data=$(cd "$(dirname "$0")/data" && pwd) esc=$'\x1b'
crafted=$data/control_bytes.raw
mkdir -p "$4" && cd "$4" || exit 1
source "$data/../lib.sh"
# A control byte other than tab and line feed.
has_control() { LC_ALL=C grep -q "[$(printf '\001-\010\013-\037')"$'\x7f'"]" "$1"; }

case $1 in
escaped_text)
  # command | a line its output must hold, control bytes shown as \xHH
  while IFS='|' read -r args line; do
    "$zel23" $args >out 2>&1
    has_control out && fail "zel23 $args passed a control byte through"
    grep -qxF -- "$line" out || fail "zel23 $args: no line '$line' in: $(cat out)"
  done <<EOF_TABLE
info $crafted|header 1                0 100.0 / \x1b[31mred\x1b[0m
check $crafted|$crafted:10: warning: branch 1-2 circuit '\x1b[1m' is already defined on line 9
check $crafted|  1,2,'\x1b[1m',0.01,0.1,0.02,100,110,120,0,0,0,0,0,0,1
diff --comments $crafted $data/small.raw|  A: SECOND\x07HEADER
diff $crafted $data/small.raw|bus 1: NAME: 'A\x1b]0;pwned\x07' -> 'ALPHA ONE'
diff $crafted $data/small.raw|generator 1 'G\x7f': only in A
info $data/no${esc}such.raw|zel23: cannot open '$data/no\x1bsuch.raw': No such file or directory
EOF_TABLE
  ;;
json_and_data)
  for args in "info --json" "check --json" "export --format json" \
    "diff --json --comments $data/small.raw"; do
    "$zel23" $args "$crafted" >out
    [ $? -le 1 ] || fail "zel23 $args failed"
    has_control out && fail "zel23 $args wrote a raw control byte"
    grep -qF '\u001b[' out || fail "zel23 $args shows no \\u001b"
  done
  # The raw printed form, CSV and DOT are data: the bytes stay.
  [ "$("$zel23" fmt "$crafted" | head -n 1)" = "$(head -n 1 "$crafted")" ] ||
    fail "fmt changed header line 1"
  "$zel23" export "$crafted" --format csv -o csv && "$zel23" graph "$crafted" >graph.dot
  [ "$(grep -lF "A${esc}]0;pwned"$'\x07' csv/bus.csv graph.dot | wc -l)" = 2 ] ||
    fail "CSV or DOT lost the name's bytes"
  ;;
help)
  [ "$("$zel23" --version)" = "zel23 $version" ] || fail "zel23 --version: $("$zel23" --version)"
  "$zel23" --help >out && grep -qF '\xHH' out || fail "zel23 --help says nothing of \\xHH"
  subs=$(sed -n '/^Subcommands:/,/^$/s/^  \([a-z]*\) .*/\1/p' out)
  [ "$(wc -w <<<"$subs")" -ge 6 ] || fail "only these subcommands: $subs"
  for sub in $subs; do
    "$zel23" "$sub" --help | grep -q "^Example: zel23 $sub " || fail "zel23 $sub --help: no example"
  done
  ;;
*) fail "unknown case $1" ;;
esac
