# shellcheck shell=bash disable=SC2154 # $work is the sourcing script's
# Sourced by the package tests: `step NAME COMMAND...` runs one check, prints "PASS: NAME (N s)"
# or "FAIL: NAME (N s)" followed by the check's output, and counts; `finish` prints
# "N passed, N failed" and exits with the verdict. Needs $work, a scratch folder.
passed=0
failed=0

step() {
    local name=$1 start=$SECONDS
    shift
    if "$@" >"$work/step.log" 2>&1; then
        echo "PASS: $name ($((SECONDS - start)) s)"
        passed=$((passed + 1))
    else
        echo "FAIL: $name ($((SECONDS - start)) s)"
        sed 's/^/    /' "$work/step.log"
        failed=$((failed + 1))
    fi
}

finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit
}
