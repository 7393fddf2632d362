#!/usr/bin/env bash
# Builds what is missing and runs the benchmark against the virtual card; it needs
# no display (the window is drawn offscreen) and takes about a minute.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PELMORA_BUILD_DIR:-$root/build}

PELMORA_BUILD_DIR=$build "$root/scripts/build.sh"
QT_QPA_PLATFORM=offscreen "$build/bin/pelmora-benchmark"
