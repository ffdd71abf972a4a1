#!/usr/bin/env bash
# Builds the Debian package: <build folder>/quillet-capture_<version>_amd64.deb, from a build
# of the tool alone (no tests, no benchmarks), and prints its path.
# Usage: scripts/package.sh [build folder, default build-package]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
dir=${1:-build-package}
# CPack installs without building first: the tool is built explicitly just before.
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_TESTS=OFF -DQUILLET_BENCH=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$dir" -j "$(nproc)" --target quillet-capture
(cd "$dir" && rm -f quillet-capture_*.deb && cpack -G DEB >/dev/null)
ls "$PWD/$dir"/quillet-capture_*_amd64.deb
