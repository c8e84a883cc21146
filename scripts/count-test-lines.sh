#!/usr/bin/env bash
# Counts the test code against the program code: non-blank lines that are not comments in the C
# and C++, Python, shell and CMake files of src/, ZephlarkKitWx/src/ and resources/ (the program)
# and of tests/ (the tests). A comment line is one that holds nothing but a comment: in C and C++
# a line starting with // or lying wholly inside /* */ (code before or after a block comment
# counts as code); in Python, shell and CMake a line starting with # (the #! line too). Python's
# docstrings count as code.
set -euo pipefail
cd "$(dirname "$0")/.."

count() {
    find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' -o \
        -name '*.py' -o -name '*.sh' -o -name '*.cmake' -o -name CMakeLists.txt \) -print0 |
        xargs -0 -r awk '
            FNR == 1 { c_style = FILENAME ~ /\.(cpp|h|c)$/; in_block = 0 }
            { line = $0; sub(/^[ \t]+/, "", line) }
            line == "" { next }
            !c_style { if (line !~ /^#/) code++; next }
            in_block { if (line ~ /\*\//) { in_block = 0; rest = line; sub(/.*\*\//, "", rest);
                       if (rest ~ /[^ \t]/) code++ } next }
            line ~ /^\/\// { next }
            line ~ /^\/\*/ { if (line !~ /\*\//) { in_block = 1; next }
                             rest = line; sub(/^\/\*.*\*\//, "", rest);
                             if (rest ~ /[^ \t]/) code++; next }
            { code++ }
            END { print code + 0 }' |
        awk '{ sum += $1 } END { print sum + 0 }' # xargs may run awk more than once
}

program=$(count src ZephlarkKitWx/src resources)
tests=$(count tests)
echo "program: $program lines"
echo "tests: $tests lines ($((100 * tests / program)) % of the program)"
