#!/usr/bin/env bash
# Runs a command whose program may not be installed on a developer's machine; exit status 77 tells
# CTest to count the test as skipped rather than passed.
# Usage: run_if_installed.sh PROGRAM [ARGUMENT...]
command -v "$1" >/dev/null || {
    echo "$1 is not installed: skipped"
    exit 77
}
exec "$@"
