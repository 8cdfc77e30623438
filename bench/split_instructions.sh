#!/usr/bin/env bash
# Instructions per line of the two field splitters in zel23_split_bench,
# counted by callgrind (independent of the machine's load): for every
# benchmark, the instructions of the splitter's calls made by the timed loop
# over their number.
#
#   bench/split_instructions.sh [BUILD]   (default build-bench)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench="${1:-$root/build-bench}/bench/zel23_split_bench"
work=$(mktemp -d /tmp/zel23_split.XXXXXX)
trap 'rm -rf "$work"' EXIT

printf '%-10s %-8s %12s %12s %8s\n' lines style bit-mask byte-loop ratio
for kind in Bus Branch Generator; do
  for style in Compact Padded; do
    counts=()
    for splitter in BitMask ByteLoop; do
      out="$work/$splitter-$kind-$style.out"
      valgrind --tool=callgrind --callgrind-out-file="$out" --toggle-collect='*split<*' \
        "$bench" --benchmark_filter="^Split/$splitter/$kind/$style\$" \
        --benchmark_min_time=0.01 >/dev/null 2>&1
      # The splitter's own line in the call tree: inclusive instructions and calls.
      counts+=("$(callgrind_annotate --inclusive=yes --tree=calling "$out" |
        awk '/^ *[0-9,]+ .*> .*(splitFields|byteLoopSplit)\(/ {
               gsub(",", "", $1); calls = $0; sub(/.*\(/, "", calls); sub(/x\).*/, "", calls)
               gsub(",", "", calls); printf "%.0f", $1 / calls; exit }')")
    done
    awk -v k="$kind" -v s="$style" -v a="${counts[0]}" -v b="${counts[1]}" \
      'BEGIN { printf "%-10s %-8s %12d %12d %8.2f\n", k, s, a, b, a / b }'
  done
done
