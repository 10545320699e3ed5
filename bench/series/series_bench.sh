#!/usr/bin/env bash
# The standard series as a whole process (start, rules, 168 designs, the
# workbook written): runs of wormpair-cli series, and their median.
#   bench/series/series_bench.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build="${1:-build}"
runs="${2:-15}"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
cli=("$build/wormpair-cli" series --sheet-per-centre-distance -o "$out/series.xls")
"${cli[@]}" >/dev/null  # warm the file cache
times=()
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  "${cli[@]}" >/dev/null
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000000 )))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "series runs (ms): ${times[*]}"
echo "series median: ${sorted[$(( runs / 2 ))]} ms over $runs runs"
