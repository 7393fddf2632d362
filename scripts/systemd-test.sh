#!/usr/bin/env bash
# The headless package under a real systemd: boots a Debian 12 root with systemd-nspawn
# (--volatile=overlay, so the root is left as it was), the virtual card's pseudo-terminal
# bound at /dev/ttyUSB0, installs pelmorad there and checks, as a user of the package
# meets them:
#   - the install says nothing of an unknown user in the bus's log (the user is made
#     before the bus policy that names it is unpacked);
#   - pelmorad@tank, with device = /dev/ttyUSB0 and no name, polls the card, is named tank
#     on the system bus, switches an output asked by pelmora-ctl, keeps it in its state
#     folder and sends it again after a restart, and is on the local mosquitto: all of it
#     under the unit's hardening;
#   - a second program on the card, root's or a user's, is refused naming pelmorad, and the
#     card sees no request of its;
#   - a typo, a missing configuration, one with no device and an unreadable password file
#     end failed with status 2, never restarted;
#   - systemd-analyze security scores the unit 2.0 or better;
#   - the watchdog is set, the polls keep it fed, and a hung service is restarted;
#   - apt remove stops every instance and leaves systemd reloaded; purge removes the
#     enable links and the kept outputs.
# The Debian root is made once with debootstrap into /var/cache/pelmora-systemd-root
# (PELMORA_SYSTEMD_ROOT), with the package's dependencies and mosquitto, and made again
# only if it is missing or broken. It needs root, systemd-nspawn, debootstrap and, to make
# the root, the Debian mirror; where it cannot boot the root it says "skipped: ..." and
# exits 0. Where no devices cgroup is delegated (in a container, as in this project's CI),
# systemd cannot enforce DevicePolicy= and DeviceAllow=: the service would reach the
# pseudo-terminal without char-pts. The names allowed are those the serial drivers give in
# /proc/devices (char-ttyUSB is major 188); where the cgroup is there, the polls check them.
# scripts/systemd-test.sh PELMORAD.deb PELMORA-VIRTUAL-CARD
set -euo pipefail
deb=$(readlink -f "$1")
virtual_card=$(readlink -f "$2")
cache=${PELMORA_SYSTEMD_ROOT:-/var/cache/pelmora-systemd-root}
started=$SECONDS

skip() { echo "pelmora: systemd test skipped: $*"; exit 0; }
failed=0
fail() { echo "pelmora: systemd test: $*" >&2; failed=1; }
pass() { echo "pelmora: systemd test: $*"; }

[ "$(id -u)" -eq 0 ] || skip "it boots a Debian root with systemd-nspawn, which needs root"
for tool in systemd-nspawn debootstrap nsenter; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh installs it)"
done

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# --- the Debian root, made once ---------------------------------------------------
# One run at a time uses or remakes it.
exec 9>"$cache.lock"
flock 9
# The root's own tools, run in it without booting it (its /proc, /dev and the host's DNS).
in_root() {
    systemd-nspawn -q -D "$cache" --pipe --register=no --keep-unit -E DEBIAN_FRONTEND=noninteractive "$@"
}
root_whole() {
    [ -f "$cache/.complete" ] && [ -x "$cache/usr/lib/systemd/systemd" ] && chroot "$cache" /bin/true 2>/dev/null
}
if ! root_whole; then
    echo "pelmora: making a Debian 12 root in $cache (once)"
    rm -rf "$cache" "$cache.new"
    if ! debootstrap --variant=minbase --include=systemd,systemd-sysv,dbus,procps,sudo \
        bookworm "$cache.new" http://deb.debian.org/debian >"$work/debootstrap.log" 2>&1; then
        tail -n 5 "$work/debootstrap.log"
        rm -rf "$cache.new"
        skip "debootstrap could not make a Debian 12 root (no Debian mirror?)"
    fi
    touch "$cache.new/.complete"
    mv "$cache.new" "$cache"
fi
# What the package needs, and the broker and its clients for its MQTT face: installed into
# the root when missing, which needs the mirror.
needs=$(dpkg-deb -f "$deb" Pre-Depends Depends | sed 's/^[A-Za-z-]*: //' | paste -sd, -)
needs+=", mosquitto, mosquitto-clients"
if ! in_root apt-get satisfy -y -qq --no-install-recommends "$needs" >"$work/satisfy.log" 2>&1; then
    in_root apt-get update -qq >"$work/update.log" 2>&1 || skip "the root lacks $needs, and the Debian mirror cannot be reached"
    if ! in_root apt-get satisfy -y -qq --no-install-recommends "$needs" >"$work/satisfy.log" 2>&1; then
        tail -n 5 "$work/satisfy.log"
        fail "the package's dependencies cannot be installed on Debian 12: $needs"
        exit 1
    fi
    in_root apt-get clean
fi

# --- the card and the booted root ------------------------------------------------------
"$virtual_card" --log "$work/requests" >"$work/card.out" 2>&1 &
pids+=($!)
pty=
for _ in $(seq 50); do pty=$(head -n 1 "$work/card.out"); [ -n "$pty" ] && break; sleep 0.1; done
[ -c "$pty" ] || { fail "the virtual card did not start: $(cat "$work/card.out")"; exit 1; }
# A serial adapter's device belongs to dialout, as udev makes it.
chgrp "$(awk -F: '$1 == "dialout" { print $3 }' "$cache/etc/group")" "$pty"
chmod 660 "$pty"
mkdir "$work/share"
cp "$deb" "$work/share/pelmorad.deb"

boot_started=$SECONDS
systemd-nspawn -q -D "$cache" -b --volatile=overlay --private-network --register=no --keep-unit \
    --console=read-only --bind="$pty:/dev/ttyUSB0" --bind-ro="$work/share:/mnt/pelmora" >"$work/boot.log" 2>&1 &
nspawn=$!
pids+=("$nspawn")
# The container's init: the child of systemd-nspawn that runs systemd.
leader=
for _ in $(seq 100); do
    for child in $(cat /proc/"$nspawn"/task/*/children 2>/dev/null); do
        [ "$(cat "/proc/$child/comm" 2>/dev/null)" = systemd ] && leader=$child
    done
    [ -n "$leader" ] && break
    kill -0 "$nspawn" 2>/dev/null || break
    sleep 0.1
done
[ -n "$leader" ] || skip "systemd-nspawn could not boot the root: $(tail -n 5 "$work/boot.log")"
in_box() {
    nsenter -t "$leader" -m -u -i -n -p -r -w env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"
}
booted=
for _ in $(seq 100); do
    booted=$(in_box systemctl is-system-running --wait 2>/dev/null) && break
    [ "$booted" = degraded ] && break
    sleep 0.2
done
case "$booted" in
    running | degraded) pass "booted Debian 12 ($booted) in $((SECONDS - boot_started)) s" ;;
    *) skip "the booted root's systemd did not start: $(tail -n 5 "$work/boot.log")" ;;
esac

show() { in_box systemctl show -P "$2" "$1"; }
# Runs the command (a shell command inside the root) until it succeeds, for at most $1 seconds.
within() {
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 5))); do in_box sh -c "$1" >/dev/null 2>&1 && return 0; sleep 0.2; done
    return 1
}
requests() { wc -l <"$work/requests"; }

# --- install --------------------------------------------------------------------------
if ! in_box dpkg -i /mnt/pelmora/pelmorad.deb >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    fail "dpkg -i pelmorad failed"
    exit 1
fi
# The bus reloads its configuration as the policy appears.
within 5 "journalctl -q -u dbus | grep -q 'Reloaded configuration'" || true
if in_box journalctl -q -u dbus | grep -i 'unknown user'; then
    fail "the bus read the policy before the user pelmorad was made"
else
    pass "installed, and the bus knew the user pelmorad when it read the policy"
fi

# --- one card under the unit: polled, on the bus, on the broker, its outputs kept ---------
in_box sh -c 'printf "device = /dev/ttyUSB0\noutputs-at-start = restore\nmqtt = mqtt://127.0.0.1\n" >/etc/pelmora/tank.conf'
in_box systemctl enable --now pelmorad@tank >"$work/enable.log" 2>&1 || fail "systemctl enable --now pelmorad@tank: $(cat "$work/enable.log")"
before=$(requests)
sleep 1
if [ $(($(requests) - before)) -ge 5 ]; then
    pass "pelmorad@tank polls the card ($(($(requests) - before)) requests in a second): $(show pelmorad@tank StatusText)"
else
    fail "pelmorad@tank sent $(($(requests) - before)) requests in a second: $(in_box journalctl -q -u pelmorad@tank | tail -n 5)"
fi
got=$(in_box pelmora-ctl --name tank get 2>&1) || true
[[ $got == *"connected=yes name=tank"* ]] || fail "pelmora-ctl --name tank get: $got"
in_box pelmora-ctl --name tank set 3 on >"$work/set.log" 2>&1 || fail "pelmora-ctl set 3 on: $(cat "$work/set.log")"
for _ in $(seq 20); do grep -q ' 32$' "$work/requests" && break; sleep 0.1; done
grep -q ' 32$' "$work/requests" || fail "after pelmora-ctl set 3 on the card saw no request with mask 20"
got=$(in_box timeout 5 mosquitto_sub -h 127.0.0.1 -t pelmora/tank/output/3 -C 1 2>&1) || true
[ "$got" = ON ] || fail "pelmora/tank/output/3 on the broker is '$got', not ON"
before=$(requests)
in_box systemctl restart pelmorad@tank
for _ in $(seq 20); do [ "$(requests)" -gt "$before" ] && break; sleep 0.1; done
first=$(sed -n "$((before + 1))p" "$work/requests")
if [ "${first##* }" = 32 ]; then
    pass "named tank on the system bus and the broker, output 3 switched, kept and sent again after a restart"
else
    fail "after a restart with outputs-at-start = restore, the first request is '${first}', not mask 20"
fi

# --- a second program on the card: refused, naming the service -------------------------
in_box useradd -M -G dialout visitor
holder="in use by another program (pelmorad, pid $(show pelmorad@tank MainPID))"
before=$(requests)
in_box timeout 2 pelmorad /dev/ttyUSB0 --name intruder >"$work/root.out" 2>&1 || true
in_box runuser -u visitor -- timeout 2 /usr/sbin/pelmorad /dev/ttyUSB0 --name visitor >"$work/user.out" 2>&1 || true
for who in root user; do
    if grep -qF "$holder" "$work/$who.out"; then
        pass "a program of $who on the card is refused: $(grep -m 1 'in use' "$work/$who.out")"
    else
        fail "a program of $who on the card is not told that pelmorad@tank holds it: $(cat "$work/$who.out")"
    fi
done
others=$(sed -n "$((before + 1)),\$p" "$work/requests" | awk '$2 != 32' | wc -l)
[ "$others" -eq 0 ] || fail "while pelmorad@tank held the card, $others requests came from another program"

# --- bad settings: failed at once, not restarted for ever ---------------------------------
in_box sh -c 'cd /etc/pelmora &&
    echo "devcie = /dev/ttyUSB0" >typo.conf &&
    echo "name = nodevice" >nodevice.conf &&
    printf "device = /dev/ttyUSB9\nmqtt = mqtt://127.0.0.1\nmqtt-password-file = /etc/pelmora/secret.password\n" >secret.conf &&
    echo s3cret >secret.password && chmod 600 secret.password'
bad=(typo missing nodevice secret)
in_box systemctl start --no-block "${bad[@]/#/pelmorad@}"
within 8 "for unit in ${bad[*]/#/pelmorad@}; do [ \$(systemctl show -P ActiveState \$unit) = failed ] || exit 1; done" || true
for instance in "${bad[@]}"; do
    unit=pelmorad@$instance
    state="$(show "$unit" ActiveState) $(show "$unit" ExecMainStatus) $(show "$unit" NRestarts)"
    if [ "$state" = "failed 2 0" ]; then
        pass "$unit failed with status 2, not restarted: $(in_box journalctl -q -o cat -u "$unit" | grep -m 1 'pelmorad:')"
    else
        fail "$unit is '$state' (state, status, restarts), not 'failed 2 0': $(in_box journalctl -q -o cat -u "$unit" | tail -n 3)"
    fi
done

# --- exposure ---------------------------------------------------------------------------
in_box systemd-analyze security --no-pager pelmorad@tank.service >"$work/security.out" 2>&1 || true
score=$(sed -n 's/.*Overall exposure level for pelmorad@tank.service: \([0-9.]*\).*/\1/p' "$work/security.out")
if [ -n "$score" ] && awk -v s="$score" 'BEGIN { exit !(s <= 2.0) }'; then
    pass "systemd-analyze security scores pelmorad@tank $score"
else
    grep -E '^✗' "$work/security.out" | head -n 30
    fail "systemd-analyze security scores pelmorad@tank '${score:-nothing}', more than 2.0"
fi

# --- the watchdog ---------------------------------------------------------------------------
[ "$(show pelmorad@tank WatchdogUSec)" = 30s ] || fail "pelmorad@tank's watchdog is '$(show pelmorad@tank WatchdogUSec)', not 30s"
# A short one for the test: fed for twice its period, then a stopped process is restarted.
in_box sh -c 'mkdir -p /run/systemd/system/pelmorad@tank.service.d &&
    printf "[Service]\nWatchdogSec=2\nTimeoutAbortSec=1\nRestartSec=1\n" >/run/systemd/system/pelmorad@tank.service.d/watchdog.conf &&
    systemctl daemon-reload && systemctl restart pelmorad@tank'
pid=$(show pelmorad@tank MainPID)
sleep 4
if [ "$(show pelmorad@tank MainPID)" != "$pid" ] || [ "$(show pelmorad@tank NRestarts)" != 0 ]; then
    fail "with WatchdogSec=2, pelmorad@tank was restarted while it polled: $(in_box journalctl -q -u pelmorad@tank | tail -n 3)"
else
    in_box kill -STOP "$pid"
    if within 8 "[ \$(systemctl show -P NRestarts pelmorad@tank) = 1 ] && [ \$(systemctl show -P ActiveState pelmorad@tank) = active ]" \
        && in_box journalctl -q -u pelmorad@tank | grep -q 'Watchdog timeout'; then
        pass "the watchdog is fed while pelmorad@tank polls, and a hung one is restarted"
    else
        fail "a stopped pelmorad@tank was not restarted by the watchdog: $(in_box journalctl -q -u pelmorad@tank | tail -n 3)"
    fi
fi
in_box sh -c 'rm -r /run/systemd/system/pelmorad@tank.service.d && systemctl daemon-reload'

# --- remove and purge -----------------------------------------------------------------------
in_box apt-get remove -y -qq pelmorad >"$work/remove.log" 2>&1 || fail "apt-get remove pelmorad: $(cat "$work/remove.log")"
running=$(in_box systemctl list-units --plain --no-legend --state=active 'pelmorad@*')
if [ -n "$running" ]; then
    fail "after apt remove pelmorad these still run: $running"
elif [ "$(show pelmorad@tank NeedDaemonReload)" != no ]; then
    fail "after apt remove pelmorad, systemd was not reloaded"
else
    pass "apt remove pelmorad stopped every instance and reloaded systemd"
fi
in_box dpkg --purge pelmorad >"$work/purge.log" 2>&1 || fail "dpkg --purge pelmorad: $(cat "$work/purge.log")"
left=$(in_box sh -c 'ls -d /etc/systemd/system/*/pelmorad@* /var/lib/pelmora 2>/dev/null' || true)
if [ -n "$left" ]; then
    fail "after purge these are left: $left"
else
    pass "purge removed the enable links and the kept outputs"
fi

# --- the end ---------------------------------------------------------------------------------
in_box systemctl poweroff >/dev/null 2>&1 || true
for _ in $(seq 100); do kill -0 "$nspawn" 2>/dev/null || break; sleep 0.2; done
kill "$nspawn" 2>/dev/null && fail "the booted root did not power off within 20 s"
if [ "$failed" -ne 0 ]; then
    echo "pelmora: systemd test FAILED (took $((SECONDS - started)) s)" >&2
    exit 1
fi
echo "pelmora: systemd test passed in $((SECONDS - started)) s"
