#!/usr/bin/env bash
# Installs what is missing, then builds and tests the project four ways:
#   sanitize  everything built with ASan + UBSan into $build-sanitize, whole CTest suite
#   fuzz      the card link's libFuzzer targets (clang) in $build-fuzz, run briefly each
#   normal    the ordinary build in $build, with Debian's flags, from which the Debian
#             packages are made and checked (scripts/check-package.sh); whole CTest suite
#   systemd   the headless package installed and run under a real systemd, in a booted
#             Debian 12 root (scripts/systemd-test.sh; skipped where that cannot boot)
#   italian   the whole CTest suite of that build again, under it_IT.UTF-8, so that a test
#             that assumes English words or a decimal point fails here, not on a contributor's machine
# PELMORA_SKIP_SANITIZE=1 / PELMORA_SKIP_FUZZ=1 / PELMORA_SKIP_PACKAGE=1 / PELMORA_SKIP_NORMAL=1 /
# PELMORA_SKIP_SYSTEMD=1 leave a run out (skipping the packages leaves their check and the
# systemd run out; skipping the normal build leaves out its tests, the italian run and the
# packages);
# PELMORA_FUZZ_SECONDS sets how long each fuzz target runs (default 15).
# Every run is attempted; the script fails if any of them failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build=${PELMORA_BUILD_DIR:-$root/build}
jobs=$(nproc)
fuzz_seconds=${PELMORA_FUZZ_SECONDS:-15}
export QT_QPA_PLATFORM=offscreen

failed=()
timings=()
stage_start=0
begin() { stage_start=$SECONDS; echo "pelmora: == $1 =="; }
finish() { timings+=("$1 $((SECONDS - stage_start))s"); }

run_sanitize() {
    local dir=$build-sanitize
    # Set for the build too: test discovery runs the instrumented test programs.
    export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:halt_on_error=1
    export LSAN_OPTIONS=suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    # The benchmark is measured from the normal build; it runs no test here.
    PELMORA_BUILD_DIR=$dir "$root/scripts/build.sh" -DPELMORA_SANITIZE=ON -DPELMORA_BENCHMARK=OFF || return 1
    echo "pelmora: running the tests under ASan and UBSan in $dir"
    ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 240
}

run_fuzz() {
    local dir=$build-fuzz
    echo "pelmora: building the fuzz targets in $dir"
    cmake -S "$root" -B "$dir" -G Ninja -DPELMORA_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ >/dev/null || return 1
    cmake --build "$dir" -j"$jobs" || return 1
    local status=0 target
    for target in frames exchange telnet; do
        # New inputs go to the build tree; the committed seeds are only read.
        mkdir -p "$dir/corpus/$target" "$dir/artifacts"
        echo "pelmora: fuzzing ${target}_fuzz for ${fuzz_seconds}s"
        if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            "$dir/bin/${target}_fuzz" -max_total_time="$fuzz_seconds" -timeout=10 -print_final_stats=1 \
            -artifact_prefix="$dir/artifacts/${target}-" \
            "$dir/corpus/$target" "$root/tests/fuzz/corpus/$target" >"$dir/${target}_fuzz.log" 2>&1; then
            tail -n 60 "$dir/${target}_fuzz.log"
            echo "pelmora: ${target}_fuzz failed; the input that broke it is in $dir/artifacts/" >&2
            status=1
        else
            grep -E '^stat::number_of_executed_units' "$dir/${target}_fuzz.log" || true
        fi
    done
    return $status
}

# One build for the packages and the tests: the programs tested are the ones packed.
run_build() {
    if [ -n "${PELMORA_SKIP_PACKAGE:-}" ]; then
        PELMORA_BUILD_DIR=$build "$root/scripts/build.sh"
        return
    fi
    mkdir -p "$build"
    # Line tables only (-g1 after Debian's -g): the packages are stripped of it all anyway.
    DEB_CXXFLAGS_MAINT_APPEND=-g1 PELMORA_PACKAGE_DIR=$build PELMORA_PACKAGE_TESTS=ON "$root/scripts/package.sh" >"$build/packages.txt"
}

run_package() {
    local debs
    mapfile -t debs <"$build/packages.txt"
    "$root/scripts/check-package.sh" "${debs[@]}"
}

run_systemd() {
    local deb
    deb=$(grep '/pelmorad_[^/]*\.deb$' "$build/packages.txt")
    "$root/scripts/systemd-test.sh" "$deb" "$build/bin/pelmora-virtual-card"
}

run_normal() {
    echo "pelmora: running the tests in $build"
    ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 120
}

# A locale that writes decimals with a comma and whose C library speaks Italian
# (scripts/install-deps.sh generates it).
run_italian() {
    echo "pelmora: running the tests in $build again under it_IT.UTF-8"
    LANG=it_IT.UTF-8 LC_ALL=it_IT.UTF-8 ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 120 \
        --no-tests=error
}

if [ -z "${PELMORA_SKIP_SANITIZE:-}" ]; then
    begin "sanitizer build and tests"
    ( run_sanitize ) || failed+=(sanitize)
    finish sanitize
fi
if [ -z "${PELMORA_SKIP_FUZZ:-}" ]; then
    begin "fuzz targets"
    ( run_fuzz ) || failed+=(fuzz)
    finish fuzz
fi
if [ -z "${PELMORA_SKIP_NORMAL:-}" ]; then
    begin "normal build"
    built=yes
    ( run_build ) || { built=; failed+=(build); }
    finish build
    if [ -n "$built" ]; then
        if [ -z "${PELMORA_SKIP_PACKAGE:-}" ]; then
            begin "Debian packages"
            ( run_package ) || failed+=(package)
            finish package
            if [ -z "${PELMORA_SKIP_SYSTEMD:-}" ]; then
                begin "the service under systemd"
                ( run_systemd ) || failed+=(systemd)
                finish systemd
            fi
        fi
        begin "normal tests"
        ( run_normal ) || failed+=(normal)
        finish normal
        begin "the tests under it_IT.UTF-8"
        ( run_italian ) || failed+=(italian)
        finish italian
    fi
fi
if [ ${#timings[@]} -gt 0 ]; then
    echo "pelmora: took ${timings[*]}"
fi

if [ ${#failed[@]} -gt 0 ]; then
    echo "pelmora: FAILED: ${failed[*]}" >&2
    exit 1
fi
