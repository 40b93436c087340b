#!/usr/bin/env bash
# laifit built as people build it, beside the default unity build: one source per unit, with clang, and
# with link-time optimisation; every reference run of ../shared/cases must pass on each binary, since an
# optimiser that sees more of the code may delete a computation whose floating-point flags the note shows.
set -euo pipefail
cd "$(dirname "$0")/.."
shared=${LAIFIT_SHARED_DIR:-$(cd .. && pwd)/shared}
clang=$(command -v clang++-14 || command -v clang++ || true)
[ -n "$clang" ] || { echo ".ci/builds-check.sh: clang++ not found" >&2; exit 1; }

build() {  # folder, then CMake options
  local dir=$1
  shift
  cmake -G Ninja -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DLAIFIT_TESTS=OFF -DLAIFIT_BENCH=OFF "$@" >/dev/null
  cmake --build "$dir" -j2 --target laifit >/dev/null
}

cases() {  # folder: every reference run against its laifit
  local bin=$1/laifit failed=0 total=0 c
  for c in "$shared"/cases/*/; do
    total=$((total + 1))
    "$shared/tools/check-case" "$bin" "$c" || failed=$((failed + 1))
  done
  echo "$1: $((total - failed)) of $total reference runs pass"
  [ "$failed" = 0 ]
}

status=0
build build-separate -DLAIFIT_UNITY=OFF
build build-clang -DCMAKE_CXX_COMPILER="$clang"
build build-lto -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=ON
for dir in build-separate build-clang build-lto; do cases "$dir" || status=1; done
exit $status
