#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz, replays every committed corpus, then fuzzes each
# target for a fixed number of executions from a fixed seed. A crash, a sanitizer report, a failed
# check, a hang or an allocation beyond the limit fails the script. New units found on the way go to a
# scratch folder, so the committed corpora stay as they are.
#
#   fuzz/run-ci.sh              the CI step
#   RUNS_SCALE=100 fuzz/run-ci.sh   a longer run (every execution count multiplied)
set -euo pipefail
cd "$(dirname "$0")/.."

cxx=${LAIFIT_FUZZ_CXX:-$(command -v clang++-14 || command -v clang++ || true)}
[ -n "$cxx" ] || { echo "fuzz/run-ci.sh: clang++ not found" >&2; exit 1; }

cmake -G Ninja -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1" -DCMAKE_CXX_COMPILER="$cxx" \
  -DLAIFIT_FUZZ=ON -DLAIFIT_TESTS=OFF -DLAIFIT_BENCH=OFF
cmake --build build-fuzz -j2 --target fuzz_list_input fuzz_fixed_input fuzz_run fuzz_inspect

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
scale=${RUNS_SCALE:-1}

# target, executions, longest input, dictionary
fuzz() {
  local target=$1 runs=$2 max_len=$3 dict=$4
  local bin=build-fuzz/fuzz/fuzz_$target
  local common=(-timeout=10 -malloc_limit_mb=64 -rss_limit_mb=2048 -max_len="$max_len"
                -dict="fuzz/$dict" -artifact_prefix="$scratch/$target-" -print_final_stats=0)
  echo "+ replay fuzz/corpus/$target"
  "$bin" "${common[@]}" -runs=0 "fuzz/corpus/$target"
  echo "+ fuzz $target: $((runs * scale)) executions, seed 1"
  mkdir -p "$scratch/$target"
  "$bin" "${common[@]}" -runs=$((runs * scale)) -seed=1 "$scratch/$target" "fuzz/corpus/$target"
}

fuzz list_input 20000 4096 list_input.dict
fuzz fixed_input 20000 4096 list_input.dict
fuzz run 1500 65536 run.dict
# Each inspection runs laifit on copies of the folder's files in a scratch tree of its own, made in
# memory when it can be.
(if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi; fuzz inspect 600 65536 run.dict)
echo "fuzz: no failures"
