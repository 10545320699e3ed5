#!/usr/bin/env bash
# Pictures of the four working drawings (worm, wheel, hob, mesh) of four
# designs, as PDF pages rendered at 60 dpi, for the README; and the first page
# of the 制图示例 manual:
#   scripts/make-drawing-pictures.sh [BUILD_DIR] [OUT_DIR]
# Needs pdftoppm (poppler-utils) and python3.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
out="${2:-docs}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cli="$build/wormpair-cli"

for design in "160 45 1" "250 50 2" "100 31 1" "500 63 1"; do
  read -r a z2 z1 <<<"$design"
  # the design as the recommend button makes it, stored as a design file
  mapfile -t cells < <("$cli" design --centre-distance "$a" --wheel-teeth "$z2" \
    --worm-starts "$z1" --json | python3 -c '
import json, sys
inputs = json.load(sys.stdin)["inputs"]
for n in range(1, 14):
    print("--set")
    print("A%d=%s" % (n, inputs["Edit%d" % n]))')
  "$cli" cells "$build/111.xls" "${cells[@]}" -o "$work/$a-$z2-$z1.cqb" >/dev/null
  for sheet in worm wheel hob mesh; do
    "$cli" drawing "$sheet" "$work/$a-$z2-$z1.cqb" -o "$work/$sheet.pdf" 2>/dev/null
    pdftoppm -png -gray -r 60 -singlefile "$work/$sheet.pdf" "$out/drawing-$a-$z2-$z1-$sheet"
    echo "$out/drawing-$a-$z2-$z1-$sheet.png"
  done
done
pdftoppm -png -r 60 -f 1 -l 1 -singlefile "$build/tuzhi.pdf" "$out/manual-tuzhi"
echo "$out/manual-tuzhi.png"
