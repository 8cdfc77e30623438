#!/usr/bin/env bash
# Runs one end-to-end case of the zel23 command; most compare the whole
# output with a file in data/expected.
# Usage: tool_test.sh CASE ZEL23 SOURCE_DIR WORK_DIR
# Exit 0 pass, 1 fail, 77 skipped (a tool the case needs is missing).
set -u

case_name=$1
zel23=$2
source_dir=$3
work=$4/$case_name
data=$(cd "$(dirname "$0")/data" && pwd)
expected=$data/expected

# The inputs are copied under short names, so that outputs that name them
# are the same wherever the tree is.
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
cp "$data"/*.raw "$source_dir"/examples/sample.raw "$source_dir"/examples/broken.raw . || exit 1

source "$data/../lib.sh"

case $case_name in

fmt_small)
  expect 0 small.fmt fmt small.raw
  [ ! -s err ] || fail "unexpected stderr"
  ;;

fmt_stdin)
  "$zel23" fmt - <small.raw >out 2>err || fail "fmt - failed"
  same out "$expected/small.fmt"
  ;;

fmt_bundled_sample)
  # The embedded copy is byte for byte the file in the tree.
  "$zel23" fmt sample.raw >want
  run 0 fmt
  same out want
  ;;

fmt_idempotent)
  run 0 fmt sample.raw
  mv out once
  run 0 fmt once
  same out once
  # Header and terminator lines survive character for character.
  grep -v '^ *[1-9-]' sample.raw | grep -v '^$' >kept
  grep -v '^ *[1-9-]' once >kept_once
  same kept kept_once
  ;;

fmt_output_file)
  run 0 fmt small.raw -o new.raw
  same new.raw "$expected/small.fmt"
  [ ! -s out ] || fail "-o also wrote to standard output"
  echo old >existing.raw
  chmod 640 existing.raw
  run 0 fmt small.raw -o existing.raw
  same existing.raw "$expected/small.fmt"
  [ "$(stat -c %a existing.raw)" = 640 ] || fail "mode of the replaced file changed"
  no_temp_files
  ;;

fmt_in_place)
  cp small.raw case.raw
  run 2 fmt case.raw -o case.raw
  err_is "zel23: refusing to overwrite the input 'case.raw' (use --in-place)"
  same case.raw small.raw
  run 0 fmt case.raw --in-place
  same case.raw "$expected/small.fmt"
  no_temp_files
  run 2 fmt - --in-place
  err_is "zel23: --in-place needs a FILE to rewrite"
  ;;

outputs_never_replace_input)
  cp small.raw case.raw
  ln case.raw hard_link.raw
  for args in "fmt case.raw -o case.raw" "fmt case.raw -o hard_link.raw" \
    "graph case.raw -o case.raw" "export --format json case.raw -o ./case.raw"; do
    run 2 $args
    grep -q "^zel23: refusing to overwrite the input 'case.raw'" err || fail "$args: $(cat err)"
    same case.raw small.raw
  done
  ;;

fmt_dev_full)
  run 2 fmt sample.raw -o /dev/full
  err_is "zel23: cannot write '/dev/full': No space left on device"
  "$zel23" fmt sample.raw >/dev/full 2>err
  [ $? = 2 ] || fail "writing standard output to /dev/full did not exit 2"
  err_is "zel23: cannot write standard output: No space left on device"
  ;;

fmt_failed_write_keeps_old)
  # A file size limit of 1 KiB makes the write fail for root as well.
  echo "old contents" >target.raw
  cp target.raw before.raw
  (ulimit -f 1 && exec "$zel23" fmt sample.raw -o target.raw) >out 2>err
  [ $? = 2 ] || fail "over-limit write did not exit 2"
  err_is "zel23: cannot write 'target.raw': File too large"
  same target.raw before.raw
  (ulimit -f 1 && exec "$zel23" fmt sample.raw -o fresh.raw) >out 2>err
  [ ! -e fresh.raw ] || fail "a partial fresh.raw was left"
  no_temp_files
  ;;

fmt_missing_folder)
  run 2 fmt small.raw -o missing/out.raw
  err_is "zel23: cannot write 'missing/out.raw': No such file or directory"
  [ ! -e missing ] || fail "the folder was created"
  ;;

fmt_locked_folder)
  [ "$(id -u)" != 0 ] || skip "root ignores folder permissions"
  mkdir locked && chmod 555 locked
  run 2 fmt small.raw -o locked/out.raw
  err_is "zel23: cannot write 'locked/out.raw': Permission denied"
  [ -z "$(ls -A locked)" ] || fail "something was written into the locked folder"
  ;;

input_errors)
  run 2 fmt nothing.raw
  err_is "zel23: cannot open 'nothing.raw': No such file or directory"
  run 2 info "$work"
  err_is "zel23: cannot read '$work': Is a directory"
  : >empty.raw
  run 2 info empty.raw
  err_is "zel23: cannot read 'empty.raw': the first header line holds no system base"
  run 2 fmt --no-such-option
  [ "$(wc -l <err)" = 1 ] || fail "a bad option gave more than one line"
  run 2
  run 2 export --format xml
  run 2 export --format csv
  err_is "zel23: export --format csv needs -o FOLDER"
  run 2 diff small.raw
  run 2 diff - -
  ;;

malformed_record)
  # The library reports the first bad record itself and ends the process.
  run 255 fmt broken.raw -o never.raw
  grep -qx 'File: \.\.\\ZELBus line: [0-9]* Error parsing bus data' err ||
    fail "not the library's fatal line"
  [ ! -e never.raw ] || fail "output written for a malformed case"
  no_temp_files
  ;;

help)
  for sub in "" fmt info export graph diff; do
    "$zel23" $sub --help >out 2>err || fail "zel23 $sub --help failed"
    grep -q '^Usage:' out || fail "zel23 $sub --help printed no usage"
  done
  ;;

info_small)
  run 0 info small.raw
  grep -v '^read time' out >info
  same info "$expected/small.info"
  grep -Eqx 'read time +[0-9]+\.[0-9]{3} ms' out || fail "no read time line"
  ;;

info_sample_json)
  run 0 info --json sample.raw
  sed 's/"read_seconds": [0-9.e+-]*/"read_seconds": 0/' out >masked
  same masked "$expected/sample.info.json"
  ;;

export_json_small)
  run 0 export --format json small.raw -o small.json
  same small.json "$expected/small.json"
  ;;

export_json_sample)
  expect 0 sample.json export --format json sample.raw
  ;;

export_csv)
  umask 022
  run 0 export --format csv sample.raw -o csv/nested
  diff -r csv/nested "$expected/sample_csv" >/dev/null || fail "CSV files differ"
  no_temp_files csv/nested
  # Every file of one run takes its mode from the umask, the last as the first.
  modes=$(stat -c %a csv/nested/*.csv | sort -u)
  [ "$modes" = 644 ] || fail "modes of the CSV files under umask 022: $modes"
  run 0 export --format csv small.raw -o small
  same small/bus.csv "$expected/bus.csv"
  # A cell with a comma or a double quote is quoted, its quotes doubled.
  printf "0 100\nh2\nh3\n1,1,0,0,0,0,1,1,0,'A, \"B\"',0,1\n" >quoted.raw
  run 0 export --format csv quoted.raw -o quoted
  [ "$(sed -n 2p quoted/bus.csv)" = "1,1,0,0,0,0,1,1,0,\"'A, \"\"B\"\"'\",0,1" ] ||
    fail "cell not quoted: $(sed -n 2p quoted/bus.csv)"
  ;;

graph)
  expect 0 small.dot graph small.raw
  expect 0 sample.dot graph sample.raw
  if command -v dot >/dev/null; then
    dot -Tsvg out -o sample.svg 2>dot.err || fail "dot rejected the graph: $(cat dot.err)"
  fi
  ;;

diff_equal)
  run 0 diff small.raw small.raw
  [ ! -s out ] || fail "equal cases reported differences"
  # A printed case read again is the same case.
  "$zel23" fmt sample.raw >once.raw
  run 0 diff once.raw - <once.raw
  ;;

diff_changed)
  run 1 diff small.raw small_changed.raw
  same out "$expected/small.diff"
  run 1 diff small_changed.raw small.raw
  grep -qx "generator 1 'G1': only in B" out || fail "reverse diff lacks the generator"
  # Records with the same key pair in order; a second one that B lacks.
  sed '/^1,G1/p' small.raw >twice.raw
  run 1 diff twice.raw small.raw
  [ "$(cat out)" = "$(printf "generator 1 'G1' (#2): only in A\n1 difference")" ] ||
    fail "second generator not reported"
  # A comment line that only one case has.
  printf '0 100\nh2\nh3\n0\n0\n0\n0\n0\n0\n0\n' >short.raw
  { cat short.raw && echo "0 / extra"; } >long.raw
  run 1 diff long.raw short.raw
  [ "$(cat out)" = "$(printf 'comment line 11 differs\n  A: 0 / extra\n  B: (none)\n1 difference')" ] ||
    fail "extra comment line not reported"
  ;;

check_sample)
  run 0 check sample.raw
  [ "$(tail -1 out)" = "0 errors, 0 warnings, 0 notes" ] || fail "the sample has findings"
  run 0 check
  ;;

check_broken)
  # Every broken line of the file, each with its number and the line itself.
  expect 1 broken.check check broken.raw
  # The same from standard input, named <stdin>.
  "$zel23" check - <broken.raw >stdin.out
  grep -q '^<stdin>:8: error: Error parsing bus data$' stdin.out || fail "stdin not named"
  ;;

check_warnings)
  expect 0 inconsistent.check check inconsistent.raw
  run 1 check --strict inconsistent.raw
  ;;

check_json)
  expect 1 broken.json check --json broken.raw
  expect 0 inconsistent.json check --json inconsistent.raw
  ;;

check_limits)
  # A file of nothing but bad lines: the list stops at --max-errors, the
  # count does not.
  { printf '0 100\nh2\nh3\n'; for _ in $(seq 50); do echo "1,2,3"; done; } >bad.raw
  run 1 check --max-errors 5 bad.raw
  [ "$(grep -c ': error: ' out)" = 5 ] || fail "not five errors listed"
  grep -qx "50 errors, 2 warnings, 0 notes" out || fail "wrong totals: $(tail -1 out)"
  run 2 check --max-errors 0 bad.raw
  run 2 check missing.raw
  err_is "zel23: cannot open 'missing.raw': No such file or directory"
  printf '0 100\nh2\nh3\n0\n0\n0\n0\n0\n0\n0\n0 / extra\n' >extra.raw
  run 0 check extra.raw
  grep -q '^extra.raw:11: warning: terminator line after the seventh section' out ||
    fail "extra terminator not reported"
  ;;

*)
  fail "no such case: $case_name"
  ;;
esac
echo "PASS: $case_name"
