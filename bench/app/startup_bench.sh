#!/usr/bin/env bash
# Times program start to the main window shown with its coefficients loaded:
# whole process runs of startup_probe, offscreen, and prints the median.
#   bench/app/startup_bench.sh [BUILD_DIR] [RUNS] [SERVER]
# SERVER: the vendor's server the program talks to at start, e.g. one that
# cannot be reached (http://127.0.0.1:9); none by default.
set -euo pipefail
build="${1:-build}"
runs="${2:-15}"
server="${3:-}"
probe="$build/bench/startup_probe"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
"$probe" "$server" >/dev/null 2>&1  # warm the file cache
times=()
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  "$probe" "$server" >/dev/null 2>&1
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000000 )))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "startup runs (ms): ${times[*]}"
echo "startup median: ${sorted[$(( runs / 2 ))]} ms over $runs runs"
