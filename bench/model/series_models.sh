#!/usr/bin/env bash
# Which recommended designs of the standard series get a worm, a hob and a
# wheel model, and how long each build takes: one line per part (the tool's
# exit status, seconds, its message when refused), then the count per part
# and the median time of the builds that succeeded.
#   bench/model/series_models.sh [BUILD_DIR] [CENTRE_DISTANCES] [PARTS]
#   e.g. bench/model/series_models.sh build 125,400 worm,hob,wheel
set -euo pipefail
build="${1:-build}"
IFS=, read -r -a distances <<<"${2:-80,100,125,160,200,250,280,315,355,400,450,500,560,630}"
IFS=, read -r -a parts <<<"${3:-worm,hob,wheel}"
cli="$build/wormpair-cli"
# shellcheck source=bench/model/design_file.sh
source "$(dirname "$0")/design_file.sh"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
# ratio: wheel teeth and worm starts as the series chooses them
ratios=("10 10 1" "12.5 25 2" "16 16 1" "20 20 1" "25 25 1" "31.5 63 2" "40 40 1" "50 50 1"
        "63 63 1" "80 80 1" "100 100 1" "125 125 1")
declare -A built total times
for a in "${distances[@]}"; do
  for row in "${ratios[@]}"; do
    read -r ratio z2 z1 <<<"$row"
    design="$out/$a-$z2-$z1.cqb"
    write_design_file "$cli" "$build" "$a" "$z2" "$z1" "$design"
    for part in "${parts[@]}"; do
      start=$(date +%s%N)
      if message=$("$cli" model "$part" "$design" -o "$out/$part.step" 2>&1); then status=0; else status=$?; fi
      ms=$(( ($(date +%s%N) - start) / 1000000 ))
      total[$part]=$(( ${total[$part]:-0} + 1 ))
      if [ "$status" -eq 0 ]; then
        built[$part]=$(( ${built[$part]:-0} + 1 ))
        times[$part]="${times[$part]:-} $ms"
        echo "$a/$z2/$z1 $part: built in $ms ms"
      else
        echo "$a/$z2/$z1 $part: refused in $ms ms: ${message##*: }"
      fi
    done
  done
done
for part in "${parts[@]}"; do
  sorted=($(printf '%s\n' ${times[$part]:-} | sort -n))
  median="-"
  [ "${#sorted[@]}" -gt 0 ] && median="${sorted[$(( ${#sorted[@]} / 2 ))]} ms"
  echo "$part: ${built[$part]:-0} of ${total[$part]} built, median $median"
done
