#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, only those missing,
# plus any packages named as arguments (scripts/package.sh adds its tools that way).
# Safe to run again; uses sudo when not root.
set -euo pipefail

# Qt OpenGL's development files are there for the Qt packages whose CMake files look for them.
# qt6-tools-dev has Qt's UI plugin interface and UI loader, for the gauge's Designer plugin.
# stress-ng keeps a core busy for scripts/stress-test.sh, which checks that the tests hold on a loaded machine.
# The accessibility tests turn Qt's accessibility on in process (Qt's private platform
# headers), and read the running panel through a private session bus (dbus-run-session)
# and the accessibility bus (at-spi2-core) with pyatspi. The tests of the panel's own D-Bus
# interface start a dbus-daemon of their own; Qt D-Bus and its code generator come with qt6-base-dev.
# libtelnet-dev is the telnet layer of a card on another machine; the tests start the
# real ser2net in front of the virtual card. libsystemd-dev has sd_notify for the service;
# libmosquitto-dev is its MQTT client (and the panel's), and the tests start the real
# mosquitto broker, with certificates made by openssl. The service's package is also run
# under a real systemd, in a Debian root made by debootstrap and booted by systemd-nspawn
# (systemd-container).
packages=(cmake ninja-build g++ clang libclang-rt-14-dev qt6-base-dev qt6-serialport-dev
          libtelnet-dev ser2net libsystemd-dev libmosquitto-dev mosquitto mosquitto-clients openssl
          qt6-tools-dev pkg-config libqt6opengl6-dev libgl-dev libgtest-dev googletest xvfb xauth fonts-liberation
          imagemagick procps openbox locales stress-ng
          qt6-base-private-dev dbus-daemon at-spi2-core python3-pyatspi systemd-container debootstrap)

# The whole suite also runs under an Italian locale, which writes decimals with a comma and
# whose C library speaks Italian (libc-l10n comes with locales).
ensure_italian_locale() {
  locale -a 2>/dev/null | grep -qix 'it_IT\.utf-\?8' && return 0
  local root=()
  [ "$(id -u)" -eq 0 ] || root=(sudo)
  echo "pelmora: generating the it_IT.UTF-8 locale"
  "${root[@]}" sed -i 's/^# *\(it_IT\.UTF-8 UTF-8\)$/\1/' /etc/locale.gen
  grep -q '^it_IT\.UTF-8 UTF-8$' /etc/locale.gen || echo 'it_IT.UTF-8 UTF-8' | "${root[@]}" tee -a /etc/locale.gen >/dev/null
  "${root[@]}" locale-gen >/dev/null
}
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "pelmora: all build and run packages are present"
  ensure_italian_locale
  exit 0
fi

echo "pelmora: installing ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "pelmora: need root or sudo to install ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
ensure_italian_locale
