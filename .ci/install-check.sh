#!/usr/bin/env bash
# Installs the build of the README's test command into a scratch prefix, then builds and runs the
# examples that use the installed estimator and curve through find_package(laifit). Only the public
# headers are installed under include/laifit.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install build --prefix "$prefix/usr" >/dev/null
test -x "$prefix/usr/bin/laifit"
test "$(cd "$prefix/usr/include/laifit" && ls)" = "$(printf 'estimator.hpp\nlai_curve.hpp')"
for example in nist-misra1a/misra1a lai-curve/lai_curve_fit; do
  cmake -S "examples/${example%/*}" -B "$prefix/${example%/*}" -DCMAKE_PREFIX_PATH="$prefix/usr" >/dev/null
  cmake --build "$prefix/${example%/*}" >/dev/null
  "$prefix/$example"
done
