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
  err_is "zel23: rounded 4 values to the printed form; --exact keeps them"
  ;;

fmt_exact)
  # The exact form keeps what the printed form rounds: printed again, it
  # gives the printed form of the original.
  run 0 fmt --exact small.raw -o exact.raw
  [ ! -s err ] || fail "stderr of --exact: $(cat err)"
  grep -q '0.98766,' exact.raw && grep -q '0.00625' exact.raw || fail "rounded: $(cat exact.raw)"
  expect 0 small.fmt fmt exact.raw
  # A value whose four decimals make the line too long for the reader.
  sed '4s/10.5,  2.25, 0,0,/1e300,1e300,1e300,1e300,/' small.raw >big.raw
  run 2 fmt big.raw -o big.out
  err_is "zel23: cannot write 'big.raw': bus data record 1 (line 4): the line would hold 1289 characters; the reader takes at most 1023"
  [ ! -e big.out ] || fail "a refused fmt wrote its output"
  run 0 fmt --exact big.raw
  grep -q '^ *1,3, *1e+300, *1e+300,' out || fail "exact: $(head -4 out | tail -1)"
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
  # Rounding in place needs consent; --exact rounds nothing.
  run 2 fmt case.raw --in-place
  err_is "zel23: refusing to rewrite 'case.raw': the printed form rounds 4 values (--exact keeps them, --rounding-ok accepts it)"
  same case.raw small.raw
  run 0 fmt case.raw --in-place --rounding-ok
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
  # Every output that goes to standard output, help and version included.
  while read -r args; do
    "$zel23" $args >/dev/full 2>err
    [ $? = 2 ] || fail "zel23 $args >/dev/full did not exit 2"
    [ "$(tail -1 err)" = "zel23: cannot write to standard output: No space left on device" ] ||
      fail "zel23 $args >/dev/full: $(tail -1 err)"
  done <<'EOF_TABLE'
fmt sample.raw
--help
--version
info --help
info --json
check --list-codes
check broken.raw
diff small.raw small_changed.raw
graph
export --format json
export matpower
EOF_TABLE
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
  # An endless device stops at the stated limit, not at the end of memory.
  run 2 info /dev/zero
  err_is "zel23: cannot read '/dev/zero': it holds more than 1 GiB, the most the command takes from a pipe or a device"
  run 2 fmt --no-such-option
  [ "$(wc -l <err)" = 1 ] || fail "a bad option gave more than one line"
  run 2
  err_is "zel23: A subcommand is required (see zel23 --help)"
  # A word that is no subcommand, and the nearest one within two edits.
  while IFS='|' read -r word message; do
    run 2 $word small.raw
    err_is "zel23: unknown subcommand '$word'$message"
  done <<'EOF_TABLE'
inof|; did you mean 'info'?
chekc|; did you mean 'check'?
grahp|; did you mean 'graph'?
dif|; did you mean 'diff'?
exprot|; did you mean 'export'?
frobnicate| (see zel23 --help)
EOF_TABLE
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

input_read_once)
  # Every input is read once: a named file is opened once, whatever its
  # case holds, and a FIFO (whose bytes come only once) or standard input
  # gives what the file gives, the library's fatal line included.
  run 0 info small.raw
  grep -v -e '^read time' -e '^input' out >want
  run 255 fmt broken.raw
  mv err want_fatal
  rm -f fifo && mkfifo fifo || skip "no mkfifo"
  for input in - fifo; do
    [ $input = fifo ] && { cat small.raw >fifo & }
    "$zel23" info $input <small.raw >out 2>err || fail "info $input failed"
    wait
    grep -v -e '^read time' -e '^input' out >got
    same got want
    [ $input = fifo ] && { cat broken.raw >fifo & }
    run 255 fmt $input <broken.raw
    wait
    same err want_fatal
  done
  if command -v strace >/dev/null && strace -o /dev/null true 2>/dev/null; then
    for file in small.raw broken.raw sample.raw; do
      strace -f -e trace=open,openat -o trace "$zel23" fmt $file >/dev/null 2>&1
      opened=$(grep -c "\"$file\"" trace)
      [ "$opened" = 1 ] || fail "$file opened $opened times: $(grep "$file" trace)"
    done
  fi
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
  # An earlier export is replaced whole; a folder holding anything else is
  # refused and left as it was.
  run 0 export --format csv sample.raw -o small
  same small/bus.csv csv/nested/bus.csv
  touch small/notes.txt
  run 2 export --format csv small.raw -o small
  err_is "zel23: refusing to replace the folder 'small': it holds files an export does not write"
  same small/bus.csv csv/nested/bus.csv
  no_temp_files
  ;;

graph)
  expect 0 small.dot graph small.raw
  expect 0 sample.dot graph sample.raw
  # Area names go into the legend's HTML-like label: markup, a control byte
  # and bytes that are not UTF-8 must not make it unreadable.
  printf "0 100\nh2\nh3\n1,3,0,0,0,0,1,1,0,'A',1,1\n2,1,0,0,0,0,2,1,0,'B',1,1\n0\n0\n0\n0\n1,1,0,0,'X\001&<Y'\n2,2,0,0,'\377\303'\n0\n0\n0\n" >names.raw
  "$zel23" graph names.raw >names.dot || fail "graph of names.raw"
  if command -v neato >/dev/null; then
    for dot in out names.dot; do
      neato -Tsvg "$dot" -o /dev/null 2>dot.err || fail "neato rejected $dot: $(cat dot.err)"
    done
  fi
  # options | buses drawn | branches and DC lines drawn
  while IFS='|' read -r opts buses edges; do
    run 0 graph sample.raw $opts
    [ "$(grep -c '^  "[0-9]*" \[' out)/$(grep -c ' -- ' out)" = "$buses/$edges" ] ||
      fail "graph $opts: $(grep -c '^  "[0-9]*" \[' out) buses, $(grep -c ' -- ' out) edges"
  done <<'EOF_TABLE'
|14|19
--area 1|7|8
--area 2,1|14|19
--around 201 --depth 0|1|0
--around 201 --depth 1|2|1
--around 201|4|4
--around 103 --depth 1 --area 1|4|4
EOF_TABLE
  run 2 graph sample.raw --around 201 --area 1
  err_is "zel23: --around: bus 201 is not in the case or not in the areas of --area"
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
  run 0 diff long.raw short.raw
  run 1 diff --comments long.raw short.raw
  [ "$(cat out)" = "$(printf 'comment line 11 differs\n  A: 0 / extra\n  B: (none)\n1 difference')" ] ||
    fail "extra comment line not reported"
  ;;

diff_options)
  # B pads a name and a circuit, rounds VM by 5e-7 and RATEB by 4.5e-4 of it.
  # options | status | last line (stderr when 2) | a line out holds | a line it lacks
  while IFS='|' read -r opts status last has lacks; do
    run "$status" diff $opts small.raw small_changed.raw
    if [ "$status" = 2 ]; then err_is "$last" && continue; fi
    [ "$(tail -1 out)" = "$last" ] || fail "diff $opts: last line $(tail -1 out)"
    grep -qxF -- "$has" out || fail "diff $opts: no line '$has'"
    ! grep -qxF -- "$lacks" out || fail "diff $opts: line '$lacks'"
  done <<'EOF_TABLE'
|1|11 differences|bus 1: VM: 1.02 -> 1.0200005|header line 2 differs
--tolerance 1e-6|1|10 differences|branch 1 2 '1 ': RATEB: 110 -> 110.05|bus 1: VM: 1.02 -> 1.0200005
--tolerance 1e-3|1|9 differences|bus 2: VM: 0.98766 -> 0.99|branch 1 2 '1 ': RATEB: 110 -> 110.05
--strict-names|1|12 differences|bus 1: NAME: 'ALPHA ONE' -> 'ALPHA ONE  '|branch 1 2 '1 ': RATEC: 120 -> 0
--comments|1|13 differences|terminator of the branch section differs|-
--ignore-field RATEC,NAME|1|9 differences|bus 1: VM: 1.02 -> 1.0200005|bus 2: NAME: 'BETA' -> 'BETA 2'
--json --tolerance 1e-3|1|}|  "count": 9,|bus 2: VM: 0.98766 -> 0.99
--tolerance -1|2|zel23: --tolerance takes a number of 0 or more
--tolerance nan|2|zel23: --tolerance takes a number of 0 or more
--ignore-field RATEC,VMX|2|zel23: --ignore-field: no record has a field 'VMX' (field names as zel23 export writes them)
EOF_TABLE
  run 1 diff --json --strict-names --comments small.raw small_changed.raw
  /usr/bin/python3 -c 'import json, sys; d = json.load(open("out")); sys.exit(d["count"] != len(d["differences"]) or d["count"] != 14)' ||
    fail "--json: not one document of 14 differences"
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
