# What the end-to-end scripts share: run zel23 with its outputs in ./out and
# ./err, and compare them. Sourced after `zel23` (the command) and, for
# expect, `expected` (the folder of expected outputs) are set.

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

# expect WANT_STATUS FILE ARGS...: the status, and FILE of data/expected as
# the whole of standard output.
expect() {
  local file=$2
  run "$1" "${@:3}"
  same out "$expected/$file"
}

# The whole of standard error must be this one line.
err_is() {
  [ "$(cat err)" = "$1" ] || fail "stderr is '$(cat err)', expected '$1'"
}

no_temp_files() {
  local left
  left=$(find "${1:-.}" -maxdepth 1 -name '.*.??????' | head -1)
  [ -z "$left" ] || fail "temporary file left behind: $left"
}
