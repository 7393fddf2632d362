#!/usr/bin/env bash
# Configures and builds the project into build/ (or $PELMORA_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PELMORA_BUILD_DIR:-$root/build}
echo "pelmora: building in $build"
cmake -S "$root" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
