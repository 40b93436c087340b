#!/usr/bin/env bash
# Installs the build of the README's test command into a scratch prefix, then builds and runs the
# example that uses the installed estimator through find_package(laifit).
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install build --prefix "$prefix/usr" >/dev/null
test -x "$prefix/usr/bin/laifit"
cmake -S examples/nist-misra1a -B "$prefix/example" -DCMAKE_PREFIX_PATH="$prefix/usr" >/dev/null
cmake --build "$prefix/example" >/dev/null
"$prefix/example/misra1a"
