#!/usr/bin/env bash
# The whole demo program under Xvfb: it shows its window, connects to the simulated device that is
# plugged in at start, logs the device's report to standard output and exits cleanly on Ctrl+Q.
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
timeout 10 tail --pid="$pid" -f /dev/null || { echo "FAIL: still running after Ctrl+Q"; kill "$pid"; exit 1; }
status=0
wait "$pid" || status=$?

cat "$log"
grep -q "serial#=" "$log" || { echo "FAIL: the device's report is not in the log"; exit 1; }
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; exit 1; }
