#!/usr/bin/env bash
# The tests under sanitizers, each in a tree of its own (clang; see sanitized-build.sh):
# - every test under AddressSanitizer and UndefinedBehaviorSanitizer; there the fuzz target is a
#   libFuzzer program, replaying its seed corpus and regression inputs;
# - the tests of the reader thread and the device connection under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/sanitizers/env.sh

scripts/sanitized-build.sh build-asan
ctest --test-dir build-asan --output-on-failure -j 2

thread_tests=(app_units app_connection fuzz_classifier)
scripts/sanitized-build.sh build-tsan "${thread_tests[@]}"
ctest --test-dir build-tsan --output-on-failure -j 2 -R "^($(IFS='|'; echo "${thread_tests[*]}"))\$"
