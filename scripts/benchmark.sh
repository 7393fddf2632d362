#!/usr/bin/env bash
# Installs and builds what is missing, then runs the benchmark against the virtual card; it needs
# no display (the window is drawn offscreen) and takes about a minute and a half.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PELMORA_BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"
PELMORA_BUILD_DIR=$build "$root/scripts/build.sh"
QT_QPA_PLATFORM=offscreen "$build/bin/pelmora-benchmark"
