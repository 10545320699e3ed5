#!/usr/bin/env bash
# Builds the Debian package from the default build: build/wormpair_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
# dpkg-shlibdeps works out the package's dependencies from the binaries
dpkg-query -W -f='${Status}' dpkg-dev 2>/dev/null | grep -q "install ok installed" ||
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends dpkg-dev
./scripts/build.sh default
(cd build && cpack -G DEB)
ls build/wormpair_*.deb
