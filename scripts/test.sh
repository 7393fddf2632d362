#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build=${PELMORA_BUILD_DIR:-$root/build}
PELMORA_BUILD_DIR=$build "$root/scripts/build.sh"
echo "pelmora: running the tests in $build"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 120
