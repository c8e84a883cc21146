#!/usr/bin/env bash
# Configures (once) and builds the given targets, or everything, in build/, warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build build -j "$(nproc)" ${1:+--target "$@"}
