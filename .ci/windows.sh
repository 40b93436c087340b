#!/usr/bin/env bash
# CI, Windows: laifit and its tests cross-compiled with mingw-w64 into build-windows, then every test
# executable and every reference run of ../shared/cases run under wine, in a scratch wine prefix. Last,
# the published zip: made by CPack, its contents checked, and its laifit.exe, unpacked, run on a reference
# run under wine.
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

ctest --test-dir build-windows --output-on-failure -j2 --repeat until-pass:3
phase "tests done"

# The zip holds the two programs, the license, the README, the walkthrough and the example, nothing else.
version=$(sed -n 's/^project(laifit VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
(cd build-windows && cpack -G ZIP -B "$scratch/package" >/dev/null)
zip=$scratch/package/laifit-$version-win64.zip
mkdir "$scratch/unpacked"
(cd "$scratch/unpacked" && cmake -E tar xf "$zip")
top=$scratch/unpacked/laifit-$version-win64
contents=$(cd "$top" && find . -type f | LC_ALL=C sort | tr '\n' ' ')
expected="./LICENSE ./README.md ./docs/fitting-your-own-field.md ./docs/trial-2011.png ./examples/season-2011/beauce.2011 \
./examples/season-2011/fit.svg ./examples/season-2011/obs2011.csv ./examples/season-2011/param.soj \
./laifit-inspect.exe ./laifit.exe "
[ "$contents" = "$expected" ] || { echo "$(basename "$zip") holds: $contents"; exit 1; }
printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "%s" "$@"\n' "$top/laifit.exe" > "$scratch/laifit-unpacked"
chmod +x "$scratch/laifit-unpacked"
../shared/tools/check-case "$scratch/laifit-unpacked" ../shared/cases/f03_all_five
phase "$(basename "$zip") checked"
