#!/bin/sh
# Renders the application icon from ../wormpair.svg to the PNG sizes of the
# icon theme. Run it after changing the picture; the build uses the PNGs.
set -eu
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert --width="$size" --height="$size" --format=png --output="wormpair-$size.png" ../wormpair.svg
done
