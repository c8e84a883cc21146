#!/usr/bin/env bash
# The whole demo program under Xvfb: it shows its window, connects to the simulated device that is
# plugged in at start, logs the connection to standard output, starts its log file with what runs
# where and exits cleanly on Ctrl+Q. Asked for --help, it shows its usage and exits 0.
# Usage: demo_window_test.sh PROGRAM (run under xvfb-run, XDG_STATE_HOME set)
set -euo pipefail
program=$1
log=$(mktemp)
trap 'rm -f "$log"' EXIT

"$program" >"$log" 2>&1 &
pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Zephlark Utility$" | head -n 1)
[ -n "$window" ] || { echo "FAIL: no window"; kill "$pid"; exit 1; }

for _ in $(seq 100); do
    grep -q "serial#=" "$log" && break
    sleep 0.1
done
xdotool windowfocus --sync "$window" key ctrl+q
status=0
timeout 10 tail --pid="$pid" -f /dev/null || { echo "FAIL: still running after Ctrl+Q"; kill "$pid"; exit 1; }
wait "$pid" || status=$?

cat "$log"
failures=0
check() { grep -qF -- "$1" "$log" || { echo "FAIL: the log lacks: $1"; failures=$((failures + 1)); }; }
check "Device Connected: simACM0"
check "serial#="
run_log=$(find "$XDG_STATE_HOME/zephlark-utility/logs" -name 'zephlark-utility-*.log' | sort | tail -n 1)
head -n 1 "$run_log" | grep -q "^[-0-9]* [:.0-9]* Zephlark Utility [^ ]* on .*, " ||
    { echo "FAIL: $run_log does not start with the program's version and system"; failures=$((failures + 1)); }
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; failures=$((failures + 1)); }
help_status=0
"$program" --help >/dev/null 2>&1 || help_status=$?
[ "$help_status" -eq 0 ] || { echo "FAIL: --help exits $help_status"; failures=$((failures + 1)); }
echo "$((5 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
