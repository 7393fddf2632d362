#!/usr/bin/env bash
# Checks the Debian packages pelmorad, pelmora, libgaugix1, libgaugix-dev and gaugix-designer-plugin:
#   - lintian reports no error or warning on any of them; desktop-file-validate and
#     appstreamcli validate report nothing; they depend on runtime libraries, not -dev
#     (but for libgaugix-dev), and on libgaugix1 where they need it;
#   - pelmorad depends on no Qt Gui, Widgets or X library, and neither does its program; its
#     unit passes systemd-analyze verify; its example configuration is all comments;
#   - each holds every file it should, in /usr only (but pelmorad's example configuration,
#     a conffile in /etc), and nothing that belongs in another:
#     no header, CMake, pkg-config or static library outside libgaugix-dev, no path of the
#     tree they were built in, no run path; every program has a manual page;
#   - unpacked together into a temporary root with dpkg-deb -x, pelmora runs offscreen
#     against pelmora-virtual-card, polls, and creates both gauges from that libgaugix;
#     on a session bus of the check's own, found as the user's bus socket with no address
#     set, the unpacked pelmora-ctl reads that panel and switches an output that the card sees;
#     pelmora-tap --panel starts the unpacked pelmora beside it on that card, records its
#     polling, and ends with it, with every request and reply in the file; the unpacked
#     pelmorad holds the card on that bus, where pelmora-ctl finds it by its name;
#   - the example host in examples/gauge_host, copied out of the source tree, builds against
#     the unpacked packages alone (find_package(gaugix)) and, run offscreen, shows "2.50"
#     and turns the needle, with its form compiled in and loaded through the unpacked
#     Designer plugin; it builds the same against a staging folder (cmake --install --prefix);
#   - pkg-config gaugix gives what compiles and links a program against the unpacked library.
# scripts/check-package.sh [PACKAGE.deb ...]   (default: the packages package.sh makes)
# Every check is run; the script fails if any failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" lintian appstream desktop-file-utils dpkg-dev binutils pkg-config >&2
if [ $# -gt 0 ]; then
    debs=("$@")
else
    mapfile -t debs < <("$root/scripts/package.sh")
fi
for i in "${!debs[@]}"; do debs[$i]=$(readlink -f "${debs[$i]}"); done
build=$(dirname "${debs[0]}")
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
libdir=/usr/lib/$multiarch
library=$libdir/libgaugix.so.1.0.0
plugin=$libdir/qt6/plugins/designer/libgaugix_designer.so

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

deb_of() {
    local deb
    for deb in "${debs[@]}"; do
        [ "$(dpkg-deb -f "$deb" Package)" = "$1" ] && { echo "$deb"; return; }
    done
    fail "no $1 package among ${debs[*]}"
    echo /dev/null
}
service_deb=$(deb_of pelmorad)
panel_deb=$(deb_of pelmora)
library_deb=$(deb_of libgaugix1)
dev_deb=$(deb_of libgaugix-dev)
plugin_deb=$(deb_of gaugix-designer-plugin)

# --- Debian's and freedesktop's checks -------------------------------------------
unpacked=$work/root
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$unpacked"; done

echo "pelmora: lintian $(for deb in "${debs[@]}"; do basename "$deb"; done | tr '\n' ' ')"
status=0
lintian --pedantic --info --fail-on error,warning "${debs[@]}" >"$work/lintian.out" 2>&1 || status=$?
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

# Dependencies as dpkg-shlibdeps worked them out: runtime libraries, never -dev packages
# (the development package alone brings in Qt's), and the gauge library where it is needed.
for deb in "$service_deb" "$panel_deb" "$library_deb" "$plugin_deb"; do
    depends=$(dpkg-deb -f "$deb" Depends)
    grep -q 'libqt6core6' <<<"$depends" || fail "$(basename "$deb"): Depends lacks Qt's runtime libraries: $depends"
    grep -q -- '-dev\b' <<<"$depends" && fail "$(basename "$deb"): Depends names a development package: $depends"
done
for deb in "$panel_deb" "$dev_deb" "$plugin_deb"; do
    dpkg-deb -f "$deb" Depends | grep -q 'libgaugix1 (= ' || fail "$(basename "$deb") does not depend on libgaugix1"
done
dpkg-deb -f "$dev_deb" Depends | grep -q 'qt6-base-dev' || fail "libgaugix-dev does not depend on qt6-base-dev"
# The service installs on a machine with no desktop: nothing of a display.
display='libqt6gui|libqt6widgets|libqt6opengl|libx11|libxcb|libxkb|libgl1|libegl|libwayland|libfontconfig|libfreetype'
grep -qE "$display" <<<"$(dpkg-deb -f "$service_deb" Depends)" \
    && fail "pelmorad depends on a display's library: $(dpkg-deb -f "$service_deb" Depends)"
dpkg-deb -f "$panel_deb" Depends | grep -q "pelmorad (= $(dpkg-deb -f "$service_deb" Version))" \
    || fail "pelmora does not depend on pelmorad, which has pelmora-ctl"
# The tap draws its charts with QPainter: Qt Charts is not needed.
dpkg-deb -f "$panel_deb" Depends | grep -q 'libqt6charts6' && fail "pelmora depends on Qt Charts, which nothing uses"
grep -qx "libgaugix 1 libgaugix1 (>= $(dpkg-deb -f "$library_deb" Version))" \
    < <(dpkg-deb --ctrl-tarfile "$library_deb" | tar -xO ./shlibs) || fail "libgaugix1 has no shlibs entry for libgaugix.so.1"

# --- the lists of files -------------------------------------------------------------
files_of() { dpkg-deb -c "$1" | awk '{ print $6 }' | sed 's|^\./|/|' | grep -v '/$'; }
required_service=(
    /usr/sbin/pelmorad /usr/bin/pelmora-ctl /usr/lib/systemd/system/pelmorad@.service
    /usr/share/dbus-1/system.d/io.github.pelmora.pelmorad.conf /usr/share/dbus-1/interfaces/io.github.pelmora.Card1.xml
    /etc/pelmora/example.conf /usr/share/man/man8/pelmorad.8.gz /usr/share/man/man1/pelmora-ctl.1.gz
)
required_panel=(
    /usr/bin/pelmora /usr/bin/pelmora-tap /usr/bin/pelmora-virtual-card /usr/bin/gaugix-tool
    /usr/share/applications/io.github.pelmora.pelmora.desktop
    /usr/share/metainfo/io.github.pelmora.pelmora.metainfo.xml
    /usr/share/icons/hicolor/scalable/apps/pelmora.svg
)
for size in 16 32 48 64 128 256; do
    required_panel+=("/usr/share/icons/hicolor/${size}x${size}/apps/pelmora.png")
done
while IFS= read -r program; do
    required_panel+=("/usr/share/man/man1/$(basename "$program").1.gz")
done < <(files_of "$panel_deb" | grep '^/usr/bin/')
check_files() {
    local deb=$1 package files file
    shift
    package=$(dpkg-deb -f "$deb" Package)
    files=$(files_of "$deb")
    conffiles=$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles 2>/dev/null || echo /nothing)
    for file in "$@" "/usr/share/doc/$package/copyright" "/usr/share/doc/$package/changelog.gz"; do
        grep -qxF "$file" <<<"$files" || fail "$package: $file is missing"
    done
    grep -v '^/usr/' <<<"$files" | grep -vxF "$conffiles" | sed "s/^/$package: outside \/usr: /" >>"$work/wrong" || true
    if [ "$package" != libgaugix-dev ]; then
        grep -E '\.(h|hh|hpp|a|la|o|cmake|pc)$|^/usr/include/|/libgaugix\.so$' <<<"$files" \
            | sed "s/^/$package: development file: /" >>"$work/wrong" || true
    fi
}
: >"$work/wrong"
check_files "$service_deb" "${required_service[@]}"
check_files "$panel_deb" "${required_panel[@]}"
check_files "$library_deb" "$library" "$libdir/libgaugix.so.1"
check_files "$dev_deb" /usr/include/gaugix/v_meter.h "$libdir/libgaugix.so" "$libdir/pkgconfig/gaugix.pc" \
    "$libdir/cmake/gaugix/gaugixConfig.cmake" "$libdir/cmake/gaugix/gaugixConfigVersion.cmake" \
    "$libdir/cmake/gaugix/gaugixTargets.cmake"
check_files "$plugin_deb" "$plugin"
grep -lrF -e "$build" -e "$root" "$unpacked" | sed "s|^$unpacked|names the build tree: |" >>"$work/wrong" || true
readelf -d "$unpacked/usr/sbin/pelmorad" | grep -E 'NEEDED.*(Qt6Gui|Qt6Widgets|libX|libxcb|libGL)' \
    | sed 's/^/pelmorad needs a display library: /' >>"$work/wrong" || true
grep -vE '^\s*(#|$)' "$unpacked/etc/pelmora/example.conf" \
    | sed 's/^/example.conf has a line that is not a comment: /' >>"$work/wrong" || true
while IFS= read -r wrong; do fail "$wrong"; done <"$work/wrong"
for elf in "$unpacked"/usr/bin/* "$unpacked"/usr/sbin/* "$unpacked$library" "$unpacked$plugin"; do
    [ -f "$elf" ] || continue
    readelf -d "$elf" | grep -qE 'RPATH|RUNPATH' && fail "${elf#"$unpacked"} has a run path"
done
[ "$(readelf -d "$unpacked$library" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')" = libgaugix.so.1 ] \
    || fail "$library does not have the SONAME libgaugix.so.1"

# The unit as installed, its program and manual page those of the packages.
sed "s|^ExecStart=/usr/|ExecStart=$unpacked/usr/|" "$unpacked/usr/lib/systemd/system/pelmorad@.service" \
    >"$work/pelmorad@check.service"
if out=$(MANPATH="$unpacked/usr/share/man" systemd-analyze verify "$work/pelmorad@check.service" 2>&1); then
    echo "pelmora: systemd-analyze verify passes on pelmorad@.service"
else
    fail "systemd-analyze verify pelmorad@.service: $out"
fi

# Programs of the check run with a home of their own and an empty registry, offscreen, and
# find libraries only where they are told to. Only in the background or in $(...): exec makes
# $! the program's own process.
mkdir -m 700 "$work/home"
run() {
    exec env -u LD_LIBRARY_PATH -u QT_PLUGIN_PATH -u DBUS_SESSION_BUS_ADDRESS HOME="$work/home" XDG_DATA_HOME="$work/home/data" \
        XDG_RUNTIME_DIR="$work/home" PELMORA_REGISTRY="$work/home/registry.ini" QT_QPA_PLATFORM=offscreen "$@"
}

# The unpacked pelmora-ctl reads the running panel and switches output 1 (mask 0x80, 128 in the card's log),
# which the card must receive within a second or so.
check_ctl() {
    local values
    if ! values=$(run "$unpacked/usr/bin/pelmora-ctl" get 2>&1); then
        fail "the unpacked pelmora-ctl get: $values"
        return
    fi
    case "$values" in
        *"connected=yes"*) ;;
        *) fail "pelmora-ctl get does not see the card connected: $values"; return ;;
    esac
    if ! values=$(run "$unpacked/usr/bin/pelmora-ctl" set 1 on 2>&1); then
        fail "the unpacked pelmora-ctl set 1 on: $values"
        return
    fi
    for _ in $(seq 30); do grep -q ' 128$' "$work/requests" && break; sleep 0.1; done
    if grep -q ' 128$' "$work/requests"; then
        echo "pelmora: the unpacked pelmora-ctl read the panel and switched output 1 on the card"
    else
        fail "after pelmora-ctl set 1 on the card saw no request with mask 80: $(tail -n 3 "$work/requests")"
    fi
}

# --- the unpacked panel against the unpacked virtual card -----------------------
# The user's bus socket, where the panel and pelmora-ctl look when no address is set.
dbus-daemon --session --nofork --address="unix:path=$work/home/bus" >"$work/bus.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$work/home/bus" ] && break; sleep 0.1; done
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
        check_ctl
    fi
    # Ended as a user's session ends it, so the card is free for the tap's panel.
    kill "$panel" 2>/dev/null || true
    wait "$panel" 2>/dev/null || true
fi

# --- the unpacked tap starts the unpacked panel and records it ----------------------
if [ -e "$card" ]; then
    session=$work/session.csv
    run "$unpacked/usr/bin/pelmora-tap" "$card" --panel --csv "$session" >"$work/tap.out" 2>"$work/tap.err" &
    tap=$!
    pids+=("$tap")
    # It names the panel it started, and its process.
    started=
    for _ in $(seq 50); do
        started=$(sed -n 's/^pelmora-tap: started \(.*\) (pid \([0-9]*\)) with .*/\1 \2/p' "$work/tap.err")
        [ -n "$started" ] && break
        sleep 0.1
    done
    tap_panel=${started##* }
    if [ -z "$started" ]; then
        fail "the unpacked pelmora-tap started no panel: $(cat "$work/tap.err")"
    elif [ "${started% *}" != "$unpacked/usr/bin/pelmora" ]; then
        fail "the unpacked pelmora-tap started ${started% *}, not the pelmora beside it"
    else
        pids+=("$tap_panel")
        replies=0
        for _ in $(seq 150); do
            replies=$(grep -c ',card>panel,reply,' "$session" 2>/dev/null || true)
            [ "${replies:-0}" -ge 10 ] && break
            sleep 0.1
        done
        # SIGTERM ends the panel as Esci does, and the tap ends with it.
        kill "$tap_panel" 2>/dev/null || true
        status=0
        wait "$tap" || status=$?
        requests=$(grep -c ',panel>card,request,' "$session" || true)
        replies=$(grep -c ',card>panel,reply,' "$session" || true)
        if [ "$status" -ne 0 ]; then
            fail "pelmora-tap --panel ended with status $status: $(cat "$work/tap.err")"
        elif [ "${requests:-0}" -lt 10 ] || [ "$replies" != "$requests" ] || [ -n "$(tail -c 1 "$session")" ]; then
            fail "the tap's recording of the unpacked panel holds $requests requests and $replies replies"
        else
            echo "pelmora: the unpacked pelmora-tap recorded the unpacked panel ($requests requests, $replies replies)"
        fi
    fi
fi

# --- the unpacked service holds the card, and pelmora-ctl finds it by its name ------
if [ -e "$card" ]; then
    run "$unpacked/usr/sbin/pelmorad" "$card" --name check >"$work/service.out" 2>&1 &
    service=$!
    pids+=("$service")
    values=
    for _ in $(seq 50); do
        values=$(run "$unpacked/usr/bin/pelmora-ctl" --name check get 2>&1) && [[ $values == *connected=yes* ]] && break
        sleep 0.1
    done
    if [[ $values != *"connected=yes name=check"* ]]; then
        fail "pelmora-ctl --name check get does not find the unpacked pelmorad's card: $values $(cat "$work/service.out")"
    elif ! out=$(run "$unpacked/usr/bin/pelmora-ctl" --name check set 2 on 2>&1); then
        fail "pelmora-ctl --name check set 2 on: $out"
    else
        for _ in $(seq 30); do grep -q ' 64$' "$work/requests" && break; sleep 0.1; done
        grep -q ' 64$' "$work/requests" || fail "after set 2 on through pelmorad the card saw no request with mask 40"
    fi
    kill "$service" 2>/dev/null || true
    status=0
    wait "$service" || status=$?
    [ "$status" -eq 0 ] || fail "pelmorad ended on SIGTERM with status $status: $(cat "$work/service.out")"
    [ "$failed" -eq 0 ] && echo "pelmora: the unpacked pelmorad held the card, and pelmora-ctl switched it by its name"
fi

# --- another host: the example, built against the packages alone -----------------
cp -r "$root/examples/gauge_host" "$work/example"
# build_example PREFIX DIR WHAT: configures and builds the example in DIR against gaugix
# under PREFIX.
build_example() {
    local prefix=$1 dir=$work/$2
    if ! cmake -S "$work/example" -B "$dir" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >"$dir.log" 2>&1 \
        || ! cmake --build "$dir" >>"$dir.log" 2>&1; then
        fail "the example does not build against $3: $(tail -n 20 "$dir.log")"
        return 1
    fi
    local found
    found=$(sed -n 's/^gaugix_DIR:PATH=//p' "$dir/CMakeCache.txt")
    case $found in
        "$prefix"/*) echo "pelmora: the example built against $3 (gaugix found in ${found#"$work/"})" ;;
        *) fail "the example found gaugix in '$found', not under $prefix"; return 1 ;;
    esac
}
if build_example "$unpacked/usr" example-unpacked "the unpacked packages"; then
    if out=$(run env QT_PLUGIN_PATH="$unpacked$libdir/qt6/plugins" "$work/example-unpacked/gauge_host_check" \
        "$work/example/gauge_window.ui" 2>&1); then
        grep -v 'propagateSizeHints' <<<"$out" | sed 's/^/pelmora: example: /'
    else
        fail "the example's check failed: $out"
    fi
fi
# A staging folder: the same library and development files, installed under another prefix.
stage=$work/stage
if cmake --install "$build" --prefix "$stage" --component gaugix_runtime >/dev/null \
    && cmake --install "$build" --prefix "$stage" --component gaugix_development >/dev/null; then
    build_example "$stage" example-staged "a staging folder" || true
else
    fail "cmake --install of the gauge library into a staging folder failed"
fi

# --- pkg-config --------------------------------------------------------------------------
cat >"$work/pc_host.cpp" <<'EOF'
#include <gaugix/v_meter.h>
#include <QApplication>
#include <limits>
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    gaugix::v_meter meter;
    const bool refused = !meter.setValue(std::numeric_limits<double>::quiet_NaN());
    return meter.setValue(2.5) && refused && meter.value() == 0.0 ? 0 : 1;
}
EOF
if flags=$(PKG_CONFIG_PATH="$unpacked$libdir/pkgconfig" pkg-config --cflags --libs gaugix 2>&1); then
    # shellcheck disable=SC2086  # the flags are split on purpose
    if g++ -std=c++17 -fPIC "$work/pc_host.cpp" -o "$work/pc_host" $flags 2>"$work/pc_host.log" \
        && LD_LIBRARY_PATH="$unpacked$libdir" QT_QPA_PLATFORM=offscreen "$work/pc_host"; then
        echo "pelmora: a program built with pkg-config gaugix ran against the unpacked library"
    else
        fail "pkg-config gaugix ($flags) does not build and run a program: $(cat "$work/pc_host.log")"
    fi
else
    fail "pkg-config gaugix: $flags"
fi

if [ "$failed" -ne 0 ]; then
    echo "pelmora: package check FAILED" >&2
    exit 1
fi
echo "pelmora: package check passed for ${debs[*]}"
