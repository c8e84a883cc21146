#!/usr/bin/env bash
# Configures (once) and builds the given targets, or everything, in a sanitized tree (clang),
# warnings as errors:
#   build-asan  AddressSanitizer and UndefinedBehaviorSanitizer; the fuzz target for libFuzzer
#   build-tsan  ThreadSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."
tree=${1:-}
case "$tree" in
    build-asan) options=(-DZEPHLARK_SANITIZE=address,undefined -DZEPHLARK_FUZZ=ON) ;;
    build-tsan) options=(-DZEPHLARK_SANITIZE=thread) ;;
    *) echo "usage: $0 build-asan|build-tsan [TARGET...]" >&2; exit 2 ;;
esac
shift
# -O1 and line tables only: a report still names file and line, and the tree builds faster than
# at -O2 with full debug information.
[ -f "$tree/build.ninja" ] || cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Sanitized \
    -DCMAKE_CXX_FLAGS_SANITIZED="-O1 -gline-tables-only" -DCMAKE_C_FLAGS_SANITIZED="-O1" \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    "${options[@]}"
cmake --build "$tree" -j "$(nproc)" ${1:+--target "$@"}
