#!/usr/bin/env bash
# Times program start to the main window shown with its coefficients loaded:
# whole process runs of startup_probe, offscreen, and prints the median.
#   bench/app/startup_bench.sh [BUILD_DIR] [RUNS]
set -euo pipefail
build="${1:-build}"
runs="${2:-15}"
probe="$build/bench/startup_probe"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
"$probe" >/dev/null 2>&1  # warm the file cache
times=()
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  "$probe" >/dev/null 2>&1
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000000 )))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "startup runs (ms): ${times[*]}"
echo "startup median: ${sorted[$(( runs / 2 ))]} ms over $runs runs"
