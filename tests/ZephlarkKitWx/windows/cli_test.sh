#!/usr/bin/env bash
# zephlark-cli.exe under wine, in the prefix that scripts/windows-test.sh prepared, with no
# Zephlark present: doctor's checks as JSON lines, Ctrl+C while it waits (packages_test.sh checks
# --version). One PASS/FAIL line per step.
#
# Usage: cli_test.sh ZEPHLARK_CLI_EXE
# shellcheck disable=SC2317 # the check functions run through step, which shellcheck cannot follow
set -uo pipefail
cli=${1:?usage: cli_test.sh ZEPHLARK_CLI_EXE}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck source=tests/support/steps.sh
source "$(dirname "$0")/../../support/steps.sh"

# Runs the program with its arguments; standard output, CR LF made LF, in $work/out; its status in
# $status.
run() {
    wine "$cli" "$@" >"$work/raw" 2>"$work/err"
    status=$?
    tr -d '\r' <"$work/raw" >"$work/out"
}

# The one JSON line of that event (and check name) on standard output.
event_line() { grep -E "^\{\"schema\":1,\"event\":\"$1\",.*$2" "$work/out"; }

# Wine may or may not list a port, so what counts is that the exit code says what the checks say.
# The log's first line names the program and the system as Windows describes itself.
doctor_reports_port_and_disk() {
    run doctor --json
    cat "$work/out"
    [ "$(wc -l <"$work/out")" -eq 4 ] || return
    event_line log '"text":"zephlark-cli [^ ]+ on Windows [^"]+, (x64|x86|ARM64)"' || return
    event_line check '"name":"port","ok":(true|false)' && event_line check '"name":"disk","ok":true' ||
        return
    event_line result "\"exit_code\":$status," || return
    if grep -q '"ok":false' "$work/out"; then [ "$status" -eq 6 ]; else [ "$status" -eq 0 ]; fi
}

ctrl_c_while_waiting_stops_cleanly() {
    wine "$cli" info --wait 30 >"$work/out" 2>"$work/err" &
    local pid=$!
    # Wine turns SIGINT into the console's Ctrl+C event once the program is up.
    local tries=100
    until grep -q "Waiting for Zephlark" "$work/err"; do
        [ $((tries -= 1)) -gt 0 ] || { kill "$pid"; echo "it never waited"; return 1; }
        sleep 0.1
    done
    kill -INT "$pid"
    wait "$pid"
    status=$?
    cat "$work/err"
    [ "$status" -eq 130 ] && grep -q "nothing was sent to the Zephlark" "$work/err"
}

step "doctor --json: the log's first line, the port and disk checks and a matching exit code" \
    doctor_reports_port_and_disk
step "Ctrl+C while waiting for the Zephlark stops with 130" ctrl_c_while_waiting_stops_cleanly
finish
