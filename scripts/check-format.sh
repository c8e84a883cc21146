#!/usr/bin/env bash
# Fails, naming each file and line, when a C or C++ file of the program, its tests, benchmarks or
# tools is not laid out as clang-format lays it out (.clang-format). Mend with clang-format -i.
set -euo pipefail
cd "$(dirname "$0")/.."
find src ZephlarkKitWx/src resources tests bench tools -type f \
    \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 |
    xargs -0 clang-format --dry-run --Werror
