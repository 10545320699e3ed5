#!/usr/bin/env bash
# Fresh machine to a running program: installs what is missing, builds, starts
# the main window. Arguments are passed on (a design file to open).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh default
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting wormpair on a virtual X display (xvfb-run)." >&2
  exec xvfb-run -a ./build/wormpair "$@"
fi
exec ./build/wormpair "$@"
