#!/usr/bin/env bash
# Pictures of the three parameter sheets of one design, on both export routes,
# side by side (toolbar route left, menu route right), for the README:
#   scripts/make-sheet-pictures.sh [BUILD_DIR] [OUT_DIR]
# Needs LibreOffice (soffice), pdftoppm (poppler-utils) and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
out="${2:-docs}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cli="$build/wormpair-cli"

# the design: 160 mm, 45 teeth, one start, as the recommend button makes it
texts=(160 45 45 1 100 0 65 0.15 "7j(GB/T16445-1996)" 右旋 "0.3 * 3.6" "0.2 * 2.4" 0.4 "")
args=()
for i in "${!texts[@]}"; do args+=(--set "A$((i + 1))=${texts[$i]}"); done
"$cli" cells "$build/111.xls" "${args[@]}" -o "$work/160-45.cqb"

for sheet in worm hob wheel; do
  for route in toolbar menu; do
    "$cli" export "$sheet" "$work/160-45.cqb" -o "$work/$sheet-$route.xls" --route "$route"
    soffice -env:UserInstallation="file://$work/profile" --headless \
      --convert-to pdf --outdir "$work" "$work/$sheet-$route.xls" >/dev/null 2>&1
    pdftoppm -png -r 70 -f 1 -l 1 -singlefile "$work/$sheet-$route.pdf" "$work/$sheet-$route"
    convert "$work/$sheet-$route.png" -trim -bordercolor white -border 12 "$work/$sheet-$route.png"
  done
  convert "$work/$sheet-toolbar.png" "$work/$sheet-menu.png" -gravity north +append \
    "$out/sheet-$sheet.png"
  echo "$out/sheet-$sheet.png"
done
