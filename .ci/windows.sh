#!/usr/bin/env bash
# CI, Windows: laifit and its tests cross-compiled with mingw-w64 into build-windows, then every test
# executable and every reference run of ../shared/cases run under wine, in a scratch wine prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
phase() { echo "windows: $1 after $((SECONDS - start)) s"; }

packages=(wine wine64 g++-mingw-w64-x86-64-posix)
if ! dpkg -s "${packages[@]}" >/dev/null 2>&1; then
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${packages[@]}"
fi
phase "packages ready"

# A scratch prefix, booted before the tests: a wine program started first would start wine's services,
# which would inherit that test's output pipes and keep ctest waiting for them to close. The server
# stays up between programs (-p), so each test program starts in tens of milliseconds.
scratch=$(mktemp -d)
export WINEPREFIX=$scratch/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT
mkdir "$WINEPREFIX"
wineserver -p
/usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1
phase "wine prefix booted"

cmake -G Ninja -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release -DLAIFIT_BENCH=OFF
cmake --build build-windows -j2
phase "built"

ctest --test-dir build-windows --output-on-failure -j2
phase "tests done"
