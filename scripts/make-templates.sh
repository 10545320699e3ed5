#!/usr/bin/env bash
# Regenerates the workbook templates data/templates/*.xls (Excel 97-2003,
# BIFF8) from their flat OpenDocument sources data/templates/*.fods.
# Needs LibreOffice (soffice). The generated .xls files are committed, so a
# build never needs LibreOffice; run this after editing a .fods and commit
# both.
#
#   scripts/make-templates.sh            regenerate every template
#   scripts/make-templates.sh 1 1111     regenerate only these
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir="$here/data/templates"
soffice=${SOFFICE:-soffice}

command -v "$soffice" >/dev/null || { echo "make-templates: $soffice not found" >&2; exit 1; }

if [ $# -gt 0 ]; then
  names=("$@")
else
  names=()
  for f in "$dir"/*.fods; do names+=("$(basename "$f" .fods)"); done
fi

# A throwaway profile: never touches the user's LibreOffice settings and does
# not clash with a running LibreOffice.
profile=$(mktemp -d "${TMPDIR:-/tmp}/wormpair-templates.XXXXXX")
out=$(mktemp -d "${TMPDIR:-/tmp}/wormpair-templates-out.XXXXXX")
trap 'rm -rf "$profile" "$out"' EXIT

sources=()
for n in "${names[@]}"; do
  [ -f "$dir/$n.fods" ] || { echo "make-templates: no $dir/$n.fods" >&2; exit 1; }
  sources+=("$dir/$n.fods")
done

"$soffice" -env:UserInstallation="file://$profile" --headless --norestore \
  --convert-to "xls:MS Excel 97" --outdir "$out" "${sources[@]}" >/dev/null

for n in "${names[@]}"; do
  [ -s "$out/$n.xls" ] || { echo "make-templates: conversion of $n.fods failed" >&2; exit 1; }
  mv -f "$out/$n.xls" "$dir/$n.xls"
  echo "wrote data/templates/$n.xls"
done
