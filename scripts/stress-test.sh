#!/usr/bin/env bash
# Runs the normal CTest suite several times in a row (default 5) while stress-ng keeps
# one core busy, as a loaded machine would, and says how each run went. Builds first.
#   scripts/stress-test.sh [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PELMORA_BUILD_DIR:-$root/build}
runs=${1:-5}
"$root/scripts/install-deps.sh"
PELMORA_BUILD_DIR=$build "$root/scripts/build.sh"

stress-ng --cpu 1 --quiet &
stress_pid=$!
trap 'kill "$stress_pid" 2>/dev/null; wait "$stress_pid" 2>/dev/null || true' EXIT

failed=0
for run in $(seq "$runs"); do
    start=$SECONDS
    if ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 120 >"$build/stress-run-$run.log" 2>&1; then
        result=passed
    else
        result=FAILED
        failed=$((failed + 1))
    fi
    echo "pelmora: run $run of $runs with one core busy: $result in $((SECONDS - start))s ($(grep -E 'tests passed' "$build/stress-run-$run.log"))"
done
[ "$failed" -eq 0 ] || { echo "pelmora: $failed of $runs runs failed; see $build/stress-run-*.log" >&2; exit 1; }
