#!/usr/bin/env bash
# Runs one end-to-end case of the zel23 command.
# Usage: tool_test.sh CASE ZEL23 SOURCE_DIR WORK_DIR
# Exit 0 pass, 1 fail, 77 skipped (a tool the case needs is missing).
set -u

case_name=$1
zel23=$2
source_dir=$3
work=$4/$case_name
data=$(cd "$(dirname "$0")/data" && pwd)
sample=$source_dir/examples/sample.raw
broken=$source_dir/examples/broken.raw

rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

fail() {
  echo "FAIL: $*"
  for f in out err; do
    [ -s "$f" ] && { echo "--- $f:"; head -20 "$f"; }
  done
  exit 1
}

skip() {
  echo "SKIP: $*"
  exit 77
}

# run WANT_STATUS ARGS...: runs zel23 with stdout in ./out, stderr in ./err.
run() {
  local want=$1
  shift
  "$zel23" "$@" >out 2>err
  local got=$?
  [ "$got" = "$want" ] || fail "zel23 $* exited $got, expected $want"
}

same() { cmp -s "$1" "$2" || fail "$1 and $2 differ: $(diff "$1" "$2" | head -5)"; }

# The whole of standard error must be this one line.
err_is() {
  [ "$(cat err)" = "$1" ] || fail "stderr is '$(cat err)', expected '$1'"
}

no_temp_files() {
  local left
  left=$(find "${1:-.}" -maxdepth 1 -name '.*.??????' | head -1)
  [ -z "$left" ] || fail "temporary file left behind: $left"
}

need() { command -v "$1" >/dev/null || skip "$1 is not installed"; }

case $case_name in

fmt_small)
  run 0 fmt "$data/small.raw"
  same out "$data/expected/small.fmt"
  [ ! -s err ] || fail "unexpected stderr"
  ;;

fmt_stdin)
  "$zel23" fmt - <"$data/small.raw" >out 2>err || fail "fmt - failed"
  same out "$data/expected/small.fmt"
  ;;

fmt_bundled_sample)
  # The embedded copy is byte for byte the file in the tree.
  run 0 fmt
  mv out bundled
  run 0 fmt "$sample"
  same out bundled
  ;;

fmt_idempotent)
  run 0 fmt "$sample"
  mv out once
  run 0 fmt once
  same out once
  # Header and terminator lines survive character for character.
  grep -v '^ *[1-9-]' "$sample" | grep -v '^$' >kept
  grep -v '^ *[1-9-]' once >kept_once
  same kept kept_once
  ;;

fmt_output_file)
  run 0 fmt "$data/small.raw" -o new.raw
  same new.raw "$data/expected/small.fmt"
  [ ! -s out ] || fail "-o also wrote to standard output"
  echo old >existing.raw
  chmod 640 existing.raw
  run 0 fmt "$data/small.raw" -o existing.raw
  same existing.raw "$data/expected/small.fmt"
  [ "$(stat -c %a existing.raw)" = 640 ] || fail "mode of the replaced file changed"
  no_temp_files
  ;;

fmt_in_place)
  cp "$data/small.raw" case.raw
  run 2 fmt case.raw -o case.raw
  err_is "zel23: refusing to overwrite the input 'case.raw' (use --in-place)"
  same case.raw "$data/small.raw"
  run 0 fmt case.raw --in-place
  same case.raw "$data/expected/small.fmt"
  no_temp_files
  run 2 fmt - --in-place
  err_is "zel23: --in-place needs a FILE to rewrite"
  ;;

outputs_never_replace_input)
  cp "$data/small.raw" case.raw
  ln case.raw hard_link.raw
  for args in "fmt case.raw -o case.raw" "fmt case.raw -o hard_link.raw" \
    "graph case.raw -o case.raw" "export --format json case.raw -o ./case.raw"; do
    run 2 $args
    grep -q "^zel23: refusing to overwrite the input 'case.raw'" err || fail "$args: $(cat err)"
    same case.raw "$data/small.raw"
  done
  ;;

fmt_dev_full)
  run 2 fmt "$sample" -o /dev/full
  err_is "zel23: cannot write '/dev/full': No space left on device"
  "$zel23" fmt "$sample" >/dev/full 2>err
  [ $? = 2 ] || fail "writing standard output to /dev/full did not exit 2"
  err_is "zel23: cannot write standard output: No space left on device"
  ;;

fmt_failed_write_keeps_old)
  # A file size limit of 1 KiB makes the write fail for root as well.
  echo "old contents" >target.raw
  cp target.raw before.raw
  (ulimit -f 1 && exec "$zel23" fmt "$sample" -o target.raw) >out 2>err
  [ $? = 2 ] || fail "over-limit write did not exit 2"
  err_is "zel23: cannot write 'target.raw': File too large"
  same target.raw before.raw
  (ulimit -f 1 && exec "$zel23" fmt "$sample" -o fresh.raw) >out 2>err
  [ ! -e fresh.raw ] || fail "a partial fresh.raw was left"
  no_temp_files
  ;;

fmt_missing_folder)
  run 2 fmt "$data/small.raw" -o missing/out.raw
  err_is "zel23: cannot write 'missing/out.raw': No such file or directory"
  [ ! -e missing ] || fail "the folder was created"
  ;;

fmt_locked_folder)
  [ "$(id -u)" != 0 ] || skip "root ignores folder permissions"
  mkdir locked && chmod 555 locked
  run 2 fmt "$data/small.raw" -o locked/out.raw
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
  run 2 diff "$data/small.raw"
  run 2 diff - -
  ;;

malformed_record)
  # The library reports the first bad record itself and ends the process.
  run 255 fmt "$broken" -o never.raw
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
  cp "$data/small.raw" .
  run 0 info small.raw
  grep -v '^read time' out >info
  same info "$data/expected/small.info"
  grep -Eqx 'read time +[0-9]+\.[0-9]{3} ms' out || fail "no read time line"
  ;;

info_sample_json)
  need python3
  run 0 info --json "$sample"
  python3 - "$sample" <<'EOF' || fail "info --json does not describe the sample"
import json, sys
info = json.load(open("out"))
raw = open(sys.argv[1], "rb").read()
assert info["system_base"] == 100.0
assert info["records"] == {"bus": 14, "generator": 6, "branch": 18,
                           "transformer_adjustment": 3, "area_interchange": 2,
                           "two_terminal_dc": 1, "switched_shunt": 3}, info["records"]
assert (info["areas"], info["zones"]) == (2, 4)
assert info["bytes"] == len(raw) and info["lines"] == raw.count(b"\n")
assert info["header"] == raw.decode().split("\n")[:3]
assert info["read_seconds"] >= 0
EOF
  ;;

export_json_small)
  need python3
  run 0 export --format json "$data/small.raw" -o small.json
  python3 - "$data/expected/small.json" <<'EOF' || fail "JSON differs from the expected document"
import json, sys
got, want = json.load(open("small.json")), json.load(open(sys.argv[1]))
assert list(got) == list(want), list(got)
for key in want:
    assert got[key] == want[key], key
    if isinstance(want[key], list):
        for g, w in zip(got[key], want[key]):
            if isinstance(w, dict):
                assert list(g) == list(w), ("field order", key)
EOF
  ;;

export_json_sample)
  need python3
  run 0 export --format json "$sample"
  # Every bus field of the sample, taken from the file itself, comes back
  # as the same number or text: doubles must survive the JSON round trip.
  python3 - "$sample" <<'EOF' || fail "JSON does not hold the sample's bus values"
import json, re, sys
doc = json.load(open("out"))
lines = open(sys.argv[1]).read().split("\n")
end = next(k for k in range(3, len(lines)) if lines[k].startswith("0"))
buses = [l for l in lines[3:end] if l.strip()]
names = ["I", "IDE", "PL", "QL", "GL", "BL", "AREA", "VM", "VA", "NAME", "BASKV", "ZONE"]
assert len(doc["bus"]) == len(buses) == 14
for record, line in zip(doc["bus"], buses):
    fields = [f.strip() for f in re.findall(r"'[^']*'|[^,]+", line)]
    assert list(record) == names
    for name, text in zip(names, fields):
        value = record[name]
        if isinstance(value, str):
            assert value == text, (name, value, text)
        else:
            assert value == float(text) and type(value) is (int if name in
                   ("I", "IDE", "AREA", "ZONE") else float), (name, value, text)
assert [len(doc[k]) for k in ("generator", "branch", "transformer_adjustment",
        "area_interchange", "two_terminal_dc", "switched_shunt")] == [6, 18, 3, 2, 1, 3]
assert doc["generator"][5]["ID"] == "'P1'" and doc["branch"][0]["RATEC"] == 550.0
EOF
  ;;

export_csv)
  run 0 export --format csv "$sample" -o csv/nested
  declare -A rows=([bus]=14 [generator]=6 [branch]=18 [transformer_adjustment]=3
    [area_interchange]=2 [two_terminal_dc]=1 [switched_shunt]=3)
  declare -A header=(
    [bus]="I,IDE,PL,QL,GL,BL,AREA,VM,VA,NAME,BASKV,ZONE"
    [generator]="I,ID,PG,QG,QT,QB,VS,IREG,MBASE,ZR,ZX,RT,XT,GTAP,STAT,RMPCT,PT,PB"
    [branch]="I,J,CKT,R,X,B,RATEA,RATEB,RATEC,RATIO,ANGLE,GI,BI,GJ,BJ,ST"
    [transformer_adjustment]="I,J,CKT,ICONT,RMA,RMI,VMA,VMI,STEP,TABLE"
    [area_interchange]="I,ISW,PDES,PTOL,ARNAME"
    [two_terminal_dc]="I,MDC,RDC,SETVL,VSCHD,VCMOD,RCOMP,DELTI,METER,IPR,NBR,ALFMX,ALFMN,RCR,XCR,EBASR,TRR,TAPR,TPMXR,TPMNR,TSTPR,IPI,NBI,GAMMX,GAMMN,RCI,XCI,EBASI,TRI,TAPI,TPMXI,TPMNI,TSTPI"
    [switched_shunt]="I,MODSW,VSWHI,VSWLO,SWREM,VDES,BINIT,noBlocks,N1,B1,N2,B2,N3,B3,N4,B4,N5,B5,N6,B6,N7,B7,N8,B8")
  for s in "${!rows[@]}"; do
    f=csv/nested/$s.csv
    [ -f "$f" ] || fail "$f missing"
    [ "$(head -1 "$f")" = "${header[$s]}" ] || fail "$f header: $(head -1 "$f")"
    [ "$(($(wc -l <"$f") - 1))" = "${rows[$s]}" ] || fail "$f has $(wc -l <"$f") lines"
    n=$(tr -cd , <<<"${header[$s]}" | wc -c)
    awk -F, -v n="$n" 'NF - 1 != n { exit 1 }' "$f" || fail "$f: a row with the wrong cell count"
  done
  [ "$(ls csv/nested | wc -l)" = 7 ] || fail "not seven CSV files"
  no_temp_files csv/nested
  run 0 export --format csv "$data/small.raw" -o small
  same small/bus.csv "$data/expected/bus.csv"
  ;;

graph)
  need dot
  run 0 graph "$data/small.raw" -o small.dot
  dot -Tsvg small.dot -o small.svg 2>dot.err || fail "dot rejected the graph: $(cat dot.err)"
  grep -q '"1" -- "2" \[color=.*arrowhead=odot' small.dot || fail "transformer not drawn as one"
  grep -q '"1" -- "2" \[style=dashed' small.dot || fail "DC line not dashed"
  grep -q '"2" \[label="2\\nBETA\\n\[switched shunt\]"' small.dot || fail "shunt bus not marked"
  grep -q 'label="1\\nALPHA ONE", shape=doubleoctagon' small.dot || fail "swing bus not marked"
  grep -q '<svg' small.svg || fail "no SVG"
  run 0 graph "$sample"
  dot -Tsvg out -o sample.svg 2>dot.err || fail "dot rejected the sample graph"
  [ "$(grep -c ' -- ' out)" = 19 ] || fail "not 18 branches and one DC line"
  [ "$(grep -c 'arrowhead=odot' out)" = 9 ] || fail "not nine transformers"
  ;;

diff_equal)
  run 0 diff "$data/small.raw" "$data/small.raw"
  [ ! -s out ] || fail "equal cases reported differences"
  # A printed case read again is the same case.
  "$zel23" fmt "$sample" >once.raw
  run 0 diff once.raw - <once.raw
  ;;

diff_changed)
  run 1 diff "$data/small.raw" "$data/small_changed.raw"
  same out "$data/expected/small.diff"
  run 1 diff "$data/small_changed.raw" "$data/small.raw"
  grep -qx "generator 1 'G1': only in B" out || fail "reverse diff lacks the generator"
  ;;

check_sample)
  run 0 check "$sample"
  [ "$(tail -1 out)" = "0 errors, 0 warnings" ] || fail "the sample is not clean"
  run 0 check
  ;;

check_broken)
  # Every broken line of the file, each with its number and the line itself.
  cd "$source_dir/examples" || exit 1
  "$zel23" check broken.raw >"$work/out" 2>"$work/err"
  status=$?
  cd "$work" || exit 1
  [ "$status" = 1 ] || fail "check of a broken file exited $status, expected 1"
  same out "$data/expected/broken.check"
  # The same from standard input, named <stdin>.
  "$zel23" check - <"$broken" >stdin.out
  grep -q '^<stdin>:8: error: Error parsing bus data$' stdin.out || fail "stdin not named"
  ;;

check_warnings)
  cd "$data" || exit 1
  "$zel23" check inconsistent.raw >"$work/out" 2>"$work/err"
  status=$?
  cd "$work" || exit 1
  [ "$status" = 0 ] || fail "warnings alone exited $status, expected 0"
  same out "$data/expected/inconsistent.check"
  run 1 check --strict "$data/inconsistent.raw"
  ;;

check_json)
  need python3
  run 1 check --json "$broken"
  python3 - out <<'PY' || fail "JSON report does not match"
import json, sys
doc = json.load(open(sys.argv[1]))
assert doc["errors"] == 4 and doc["warnings"] == 4, (doc["errors"], doc["warnings"])
lines = [(p["line"], p["severity"], p["code"]) for p in doc["problems"]]
assert lines[0] == (8, "error", "malformed-record"), lines
assert (34, "warning", "unknown-bus") in lines, lines
assert [p["line"] for p in doc["problems"]] == sorted(p["line"] for p in doc["problems"])
PY
  run 0 check --json "$data/inconsistent.raw"
  python3 - out <<'PY' || fail "JSON codes do not match"
import json, sys
codes = sorted({p["code"] for p in json.load(open(sys.argv[1]))["problems"]})
assert codes == ["adjustment-without-branch", "branch-to-itself", "duplicate-branch",
                 "duplicate-bus", "duplicate-generator", "generator-at-load-bus",
                 "missing-terminator",
                 "no-swing-bus", "unknown-bus"], codes
PY
  ;;

check_limits)
  # A file of nothing but bad lines: the list stops at --max-errors, the
  # count does not.
  { printf '0 100\nh2\nh3\n'; for _ in $(seq 50); do echo "1,2,3"; done; } >bad.raw
  run 1 check --max-errors 5 bad.raw
  [ "$(grep -c ': error: ' out)" = 5 ] || fail "not five errors listed"
  grep -qx "50 errors, 2 warnings" out || fail "wrong totals: $(tail -1 out)"
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
