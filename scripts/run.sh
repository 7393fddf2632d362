#!/usr/bin/env bash
# Installs what is missing, builds, and opens the panel: on the card's device when
# one is named (scripts/run.sh /dev/ttyUSB0, or rfc2217://pi.local:3001 for a card on
# another machine), otherwise on the virtual card.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PELMORA_BUILD_DIR:-$root/build}

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  echo "pelmora: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "pelmora: run this from a desktop session, or as: xvfb-run -a $0 $*" >&2
  exit 2
fi

"$root/scripts/install-deps.sh"
# Only what this runs: the panel, its gauge library and the virtual card, not the tests
# and the other tools.
PELMORA_BUILD_DIR=$build PELMORA_TARGETS="pelmora gaugix pelmora-virtual-card" "$root/scripts/build.sh"

card_pid=
cleanup() { [ -n "$card_pid" ] && kill "$card_pid" 2>/dev/null || true; }
trap cleanup EXIT

if [ $# -ge 1 ]; then
  device=$1
  # A card on another machine (rfc2217://HOST:PORT, socket://HOST:PORT) is no file here.
  case $device in
    *://*) ;;
    *) [ -e "$device" ] || echo "pelmora: warning: $device does not exist; the panel will report it" >&2 ;;
  esac
else
  out=$(mktemp)
  "$build/bin/pelmora-virtual-card" --follow-outputs --sweep >"$out" &
  card_pid=$!
  device=
  for _ in $(seq 50); do
    device=$(head -n 1 "$out")
    [ -n "$device" ] && break
    sleep 0.1
  done
  rm -f "$out"
  [ -n "$device" ] || { echo "pelmora: the virtual card did not start" >&2; exit 1; }
  echo "pelmora: virtual card on $device"
fi

echo "pelmora: opening the panel on $device (as COM1)"
PELMORA_COM1=$device "$build/bin/pelmora"
