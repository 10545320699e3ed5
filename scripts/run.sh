#!/usr/bin/env bash
# Fresh machine to a running program: installs what is missing, builds, starts.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh default
# The worked example design of the manual.
exec ./build/wormpair-cli calc --centre-distance 160 --ratio 45 --wheel-teeth 45 --worm-starts 1 \
  --main-base-diameter 104 --tip-eccentricity 0.5 --worm-diameter 56 --backlash 0.2 \
  --grinding-increment 2 "$@"
