#!/usr/bin/env bash
# Configures and builds the project into build/ (or $PELMORA_BUILD_DIR); with
# PELMORA_TARGETS (space-separated) only those targets and what they need.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PELMORA_BUILD_DIR:-$root/build}
echo "pelmora: building in $build"
cmake -S "$root" -B "$build" -G Ninja "$@" >/dev/null
targets=()
for target in ${PELMORA_TARGETS:-}; do
  targets+=(--target "$target")
done
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
