#!/usr/bin/env bash
# Installs what is missing, builds what the packages hold with Debian's flags (no tests
# unless asked) and makes the Debian packages with CPack: pelmorad, pelmora, libgaugix1,
# libgaugix-dev and gaugix-designer-plugin, each <name>_<version>_<arch>.deb. The build
# goes to build-package/ (with PELMORA_BUILD_DIR=dir, to dir-package; PELMORA_PACKAGE_DIR
# names the folder itself); standard output is the packages' paths, one a line.
# PELMORA_PACKAGE_TESTS=ON builds the tests in the same build, so that the programs the
# tests run are the ones packed (scripts/test.sh builds once for both).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PELMORA_PACKAGE_DIR:-${PELMORA_BUILD_DIR:-$root/build}-package}

# dpkg-dev has dpkg-shlibdeps and file lets CPack find the programs and libraries in it.
"$root/scripts/install-deps.sh" dpkg-dev file >&2

# Debian's own compiler and linker flags (hardening included, -O2 -g), as a Debian build
# uses; the build type adds no other optimisation level to them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

echo "pelmora: building the package in $build" >&2
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DPELMORA_TESTS="${PELMORA_PACKAGE_TESTS:-OFF}" -DCMAKE_CXX_FLAGS="$cxxflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j"$(nproc)" >&2
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >&2)
for deb in "$build"/*.deb; do
    echo "pelmora: made $deb" >&2
    echo "$deb"
done
