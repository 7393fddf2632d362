#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, only those missing,
# plus any packages named as arguments (scripts/package.sh adds its tools that way).
# Safe to run again; uses sudo when not root.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev qt6-base-dev qt6-serialport-dev libgl-dev
          libgtest-dev googletest xvfb xauth fonts-liberation imagemagick procps)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "pelmora: all build and run packages are present"
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
