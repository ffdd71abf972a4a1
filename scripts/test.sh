#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test tier.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh -DQUILLET_WERROR=ON
cd build
ctest --output-on-failure "$@"
