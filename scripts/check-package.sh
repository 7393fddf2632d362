#!/usr/bin/env bash
# Checks the Debian package:
#   - lintian reports no error or warning; desktop-file-validate and
#     appstreamcli validate report nothing; it depends on Qt's runtime libraries, not -dev;
#   - it holds every file it should, in /usr only, and no header, static library or
#     path of the tree it was built in; every program has a manual page;
#   - unpacked into a temporary root with dpkg-deb -x, its pelmora runs offscreen
#     against its pelmora-virtual-card, polls, and creates both gauges from its own
#     gaugix library.
# scripts/check-package.sh [pelmora_<version>_<arch>.deb]   (default: made by package.sh)
# Every check is run; the script fails if any failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" lintian appstream desktop-file-utils dpkg-dev binutils >&2
deb=${1:-$("$root/scripts/package.sh")}
deb=$(readlink -f "$deb")
build=$(dirname "$deb")
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
library=/usr/lib/$multiarch/pelmora/libgaugix.so

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

failed=0
fail() { echo "pelmora: package check: $*" >&2; failed=1; }

# --- Debian's and freedesktop's checks -------------------------------------------
unpacked=$work/root
dpkg-deb -x "$deb" "$unpacked"

echo "pelmora: lintian $(basename "$deb")"
status=0
lintian --pedantic --info --fail-on error,warning "$deb" >"$work/lintian.out" 2>&1 || status=$?
grep -v '^running with root privileges' "$work/lintian.out" || true
[ "$status" -eq 0 ] || fail "lintian reports errors or warnings, or could not run (status $status)"

for entry in "$unpacked"/usr/share/applications/*.desktop; do
    if ! out=$(desktop-file-validate "$entry" 2>&1) || [ -n "$out" ]; then
        fail "desktop-file-validate ${entry#"$unpacked"}: $out"
    fi
done
# The metainfo alone, and with the desktop entry and icons it refers to.
for command in "validate --no-net --pedantic $unpacked/usr/share/metainfo/"*.xml "validate-tree --no-net --pedantic $unpacked"; do
    # shellcheck disable=SC2086  # the command and its arguments are split on purpose
    if ! out=$(appstreamcli $command 2>&1) || grep -q '^[EWIP]: ' <<<"$out"; then
        fail "appstreamcli ${command%% *} reports: $out"
    fi
done

# Dependencies as dpkg-shlibdeps worked them out: runtime libraries, never -dev packages.
depends=$(dpkg-deb -f "$deb" Depends)
grep -q 'libqt6widgets6' <<<"$depends" || fail "Depends lacks Qt's runtime libraries: $depends"
grep -q -- '-dev\b' <<<"$depends" && fail "Depends names a development package: $depends"

# --- the list of files ------------------------------------------------------------
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' | grep -v '/$' >"$work/files"
required=(
    /usr/bin/pelmora /usr/bin/pelmora-virtual-card /usr/bin/gaugix-tool
    "$library"
    /usr/share/applications/io.github.pelmora.pelmora.desktop
    /usr/share/metainfo/io.github.pelmora.pelmora.metainfo.xml
    /usr/share/icons/hicolor/scalable/apps/pelmora.svg
    /usr/share/doc/pelmora/copyright /usr/share/doc/pelmora/changelog.gz
)
for size in 16 32 48 64 128 256; do
    required+=("/usr/share/icons/hicolor/${size}x${size}/apps/pelmora.png")
done
while IFS= read -r program; do
    required+=("/usr/share/man/man1/$(basename "$program").1.gz")
done < <(grep '^/usr/bin/' "$work/files")
for file in "${required[@]}"; do
    grep -qxF "$file" "$work/files" || fail "$file is missing"
done
grep -v '^/usr/' "$work/files" | sed 's/^/outside \/usr: /' >"$work/wrong" || true
grep -E '\.(h|hh|hpp|a|la|o|cmake|pc)$|^/usr/include/' "$work/files" | sed 's/^/development file: /' >>"$work/wrong" || true
grep -lrF -e "$build" -e "$root" "$unpacked" | sed "s|^$unpacked|names the build tree: |" >>"$work/wrong" || true
while IFS= read -r wrong; do fail "$wrong"; done <"$work/wrong"
for elf in "$unpacked"/usr/bin/* "$unpacked$library"; do
    [ -f "$elf" ] || continue
    readelf -d "$elf" | grep -qE 'RPATH|RUNPATH' && fail "${elf#"$unpacked"} has a run path"
done

# --- the unpacked panel against the unpacked virtual card -----------------------
# A home of its own and an empty registry, so only the package's gaugix can be found.
mkdir -m 700 "$work/home"
# Started in the background, so exec makes $! the program's own process.
run() {
    exec env -u LD_LIBRARY_PATH HOME="$work/home" XDG_DATA_HOME="$work/home/data" \
        XDG_RUNTIME_DIR="$work/home" PELMORA_REGISTRY="$work/home/registry.ini" QT_QPA_PLATFORM=offscreen "$@"
}
card=$work/card
run "$unpacked/usr/bin/pelmora-virtual-card" --follow-outputs --link "$card" --log "$work/requests" \
    >"$work/card.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "$card" ] && break; sleep 0.1; done
if [ ! -e "$card" ]; then
    fail "the unpacked pelmora-virtual-card did not start: $(cat "$work/card.out")"
else
    PELMORA_COM1=$card run "$unpacked/usr/bin/pelmora" >"$work/panel.out" 2>&1 &
    panel=$!
    pids+=("$panel")
    # Ten requests is a second of polling.
    for _ in $(seq 150); do
        [ "$(wc -l <"$work/requests" 2>/dev/null || echo 0)" -ge 10 ] && break
        kill -0 "$panel" 2>/dev/null || break
        sleep 0.1
    done
    if ! kill -0 "$panel" 2>/dev/null; then
        fail "the unpacked pelmora ended early: $(cat "$work/panel.out")"
    else
        requests=$(wc -l <"$work/requests")
        if [ "$requests" -ge 10 ]; then
            echo "pelmora: the unpacked panel polled the unpacked virtual card ($requests requests)"
        else
            fail "the unpacked pelmora sent $requests requests in 15 s"
        fi
        # The gauges hold the library loaded while the window lives; a gauge that
        # could not be created is reported on standard error.
        loaded=$(grep -F libgaugix.so "/proc/$panel/maps" | awk '{ print $6 }' | sort -u || true)
        grep -F 'v_meter1(' "$work/panel.out" | sed 's/^/gauge not created: /' >"$work/gauges" || true
        if [ "$loaded" = "$unpacked$library" ] && [ ! -s "$work/gauges" ]; then
            echo "pelmora: the unpacked panel created both gauges from the unpacked $library"
        else
            [ "$loaded" = "$unpacked$library" ] \
                || fail "the panel has loaded gaugix from '${loaded:-nowhere}', not from $unpacked$library"
            while IFS= read -r problem; do fail "$problem"; done <"$work/gauges"
        fi
    fi
fi

if [ "$failed" -ne 0 ]; then
    echo "pelmora: package check FAILED for $deb" >&2
    exit 1
fi
echo "pelmora: package check passed for $deb"
