#!/usr/bin/env bash
# Builds the benchmarks (Release, in build-bench), runs them, keeps the
# results in bench/results/ and prints the key ratios.
#
#   bench/run.sh [--big] [--min-time SECONDS] [--repetitions N]
#
# --big (or ZEL23_BENCH_BIG=1) adds the 1,000,000-bus case: about 340 MB of
# text, several GB of memory and a few more minutes. Without it the run
# takes about two to three minutes on two cores.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-bench"
results="$root/bench/results"
big=${ZEL23_BENCH_BIG:-0}
min_time=0.3
repetitions=5

while [ $# -gt 0 ]; do
  case "$1" in
    --big) big=1 ;;
    --min-time) min_time=$2; shift ;;
    --repetitions) repetitions=$2; shift ;;
    *) echo "usage: $0 [--big] [--min-time SECONDS] [--repetitions N]" >&2; exit 2 ;;
  esac
  shift
done

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZEL23_BUILD_BENCH=ON \
  -DZEL23_BUILD_TESTS=OFF -DZEL23_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" -j2 --target zel23_bench zel23_gen_case zel23_peak_memory

mkdir -p "$results"
work=$(mktemp -d /tmp/zel23_bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

sizes=(10000 100000)
bench_args=()
if [ "$big" = 1 ]; then
  sizes+=(1000000)
  bench_args+=(--big)
fi

# The benchmark binary writes its scratch files in /tmp and removes them.
"$build/bench/zel23_bench" "${bench_args[@]}" \
  --benchmark_min_time="$min_time" \
  --benchmark_repetitions="$repetitions" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$work/benchmarks.json" --benchmark_out_format=json

# Peak memory: a fresh process per file, so that each peak is its own.
: >"$work/peak_memory.jsonl"
for n in "${sizes[@]}"; do
  "$build/bench/zel23_gen_case" --buses "$n" --seed 2023 -o "$work/case_$n.raw"
  "$build/bench/zel23_peak_memory" "$work/case_$n.raw" --json >>"$work/peak_memory.jsonl"
  "$build/bench/zel23_peak_memory" "$work/case_$n.raw" --json --read-file >>"$work/peak_memory.jsonl"
  rm -f "$work/case_$n.raw"
done
# The paths name a folder that no longer exists: keep only the file name.
sed -i -e 's#"file": "[^"]*/#"file": "#' "$work/peak_memory.jsonl"

cp "$work/benchmarks.json" "$results/benchmarks.json"
cp "$work/peak_memory.jsonl" "$results/peak_memory.jsonl"
echo
python3 "$root/bench/report.py" "$results/benchmarks.json" "$results/peak_memory.jsonl"
# On a busy machine wall time suffers most; CPU time shows the same ratios
# with less disturbance.
echo
echo "The same on CPU time:"
python3 "$root/bench/report.py" "$results/benchmarks.json" --cpu | sed -n '2,/^Single/p' | sed '$d'
