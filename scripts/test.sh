#!/usr/bin/env bash
# Fresh machine to passing tests: installs what is missing, builds, runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh default
ctest --preset default -j "$(nproc)"
# the model sweeps at every sample they had
ctest --preset fine -j "$(nproc)"
