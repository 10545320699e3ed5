#!/usr/bin/env bash
# What a model costs as the tool builds it: for 160/45/1, 500/63/1 and
# 1500/80/1 (the recommended parameters), each part's wall time, peak memory
# and STEP size, the median of RUNS runs (the tool's message where refused).
#   bench/model/model_files.sh [BUILD_DIR] [RUNS] [PARTS]
#   e.g. bench/model/model_files.sh build 3 worm,wheel
set -euo pipefail
build="${1:-build}"
runs="${2:-3}"
IFS=, read -r -a parts <<<"${3:-worm,wheel,hob,pair}"
cli="$build/wormpair-cli"
# shellcheck source=bench/model/design_file.sh
source "$(dirname "$0")/design_file.sh"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
printf '%-12s %-6s %10s %12s %10s\n' design part "time s" "peak MiB" "STEP MB"
for design in "160 45 1" "500 63 1" "1500 80 1"; do
  read -r a z2 z1 <<<"$design"
  file="$out/$a-$z2-$z1.cqb"
  write_design_file "$cli" "$build" "$a" "$z2" "$z1" "$file"
  for part in "${parts[@]}"; do
    times=() peaks=() size="" refused=""
    for _ in $(seq 1 "$runs"); do
      if /usr/bin/time -f '%e %M' -o "$out/time" "$cli" model "$part" "$file" -o "$out/part.step" \
           >"$out/message" 2>&1; then
        read -r seconds kib <"$out/time"
        times+=("$seconds") peaks+=("$((kib / 1024))")
        size=$(stat -c %s "$out/part.step")
      else
        refused=$(tail -n 1 "$out/message")
        break
      fi
    done
    if [ -n "$refused" ]; then
      printf '%-12s %-6s refused: %s\n' "$a/$z2/$z1" "$part" "$refused"
    else
      printf '%-12s %-6s %10s %12s %10.2f\n' "$a/$z2/$z1" "$part" \
        "$(printf '%s\n' "${times[@]}" | median)" "$(printf '%s\n' "${peaks[@]}" | median)" \
        "$(echo "$size / 1000000" | bc -l)"
    fi
  done
done
