#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each for SECONDS
# (default 60) on a copy of its seed corpus with the format's dictionary, two
# at a time. Fails when any target finds a crash, a sanitizer error, a leak
# or a hang; the finding is kept under build-fuzz/findings/. Prints the
# executions of every target.
#
#   bash scripts/fuzz.sh [SECONDS]
#
# FUZZ_JOBS sets how many targets run at once (default 2),
# FUZZ_TARGETS limits the run to some targets ("fuzz_case fuzz_bus").
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
jobs="${FUZZ_JOBS:-2}"
build=build-fuzz
findings="$PWD/$build/findings"
all_targets=(fuzz_scan fuzz_convert fuzz_bus fuzz_generator fuzz_load fuzz_branch
  fuzz_adjustment fuzz_area fuzz_shunt fuzz_dc fuzz_case fuzz_matpower fuzz_write
  fuzz_solve fuzz_matpower_write)
read -r -a targets <<<"${FUZZ_TARGETS:-${all_targets[*]}}"

if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
  echo "usage: $0 [SECONDS]" >&2
  exit 2
fi
command -v clang++ >/dev/null || {
  echo "fuzz.sh: clang++ is missing (apt-get install clang libclang-rt-14-dev)" >&2
  exit 2
}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
rm -rf "$findings"
mkdir -p "$findings"

run_target() {
  local target="$1"
  local corpus="$work/$target"
  mkdir -p "$corpus"
  cp fuzz/corpus/"$target"/* "$corpus"/
  # -timeout: an input that takes 10 s is a hang; the run's own limit is
  # max_total_time, with a margin for the last input.
  if timeout $((seconds + 120)) "$build/fuzz/$target" "$corpus" \
    -dict=fuzz/raw.dict -max_len=4096 -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/$target-" \
    >"$work/$target.log" 2>&1; then
    echo ok >"$work/$target.status"
  else
    echo "failed ($?)" >"$work/$target.status"
  fi
}

# Up to $jobs targets at a time.
running=0
for target in "${targets[@]}"; do
  run_target "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait || true

failed=0
printf '%-18s %12s %8s  %s\n' target executions corpus result
for target in "${targets[@]}"; do
  log="$work/$target.log"
  status="$(cat "$work/$target.status" 2>/dev/null || echo "did not run")"
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  units="$(find "$work/$target" -type f | wc -l)"
  printf '%-18s %12s %8s  %s\n' "$target" "${runs:-?}" "$units" "$status"
  if [ "$status" != ok ]; then
    failed=1
    echo "---- $target: last lines of its log" >&2
    grep -v '^#[0-9]' "$log" | tail -40 >&2 || true
  fi
done

if ls "$findings"/* >/dev/null 2>&1; then
  failed=1
  echo "Findings (replay with: $build/fuzz/<target> <file>):" >&2
  ls -l "$findings" >&2
fi
if [ "$failed" -ne 0 ]; then
  echo "fuzz: FAILED" >&2
  exit 1
fi
echo "fuzz: ${#targets[@]} targets, ${seconds} s each, no finding"
