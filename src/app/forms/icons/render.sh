#!/bin/sh
# Renders every toolbar and button picture from its SVG source to a PNG of the
# size the SVG declares. Run it after changing a picture; the build uses the PNGs.
set -eu
cd "$(dirname "$0")"
for source in *.svg; do
  rsvg-convert --format=png --output="${source%.svg}.png" "$source"
done
