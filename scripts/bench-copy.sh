#!/usr/bin/env bash
# Builds the copy benchmark (Release, in build-bench) and runs it: the data disk's checked copy
# through the Linux layer against cp + sync + cmp of the same file.
# Arguments go to copy_verify: [FOLDER [MIB]] (default: a new folder in /var/tmp, 64 MiB).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-bench

[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
# The machine is shared: two jobs, and only what the benchmark needs.
cmake --build "$build" --target copy_verify -j2
"$build/bench/copy_verify" "$@"
