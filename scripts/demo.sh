#!/usr/bin/env bash
# Installs what is missing, builds the program with its built-in simulated device and starts it.
# Without a display it runs under Xvfb for a few seconds, prints the log and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh zephlark-utility-sim zephlark-make-os-file
program=build/src/zephlark-utility-sim
# An OS file newer than the simulated device's system, to try "Upgrade Firmware..." with.
mkdir -p build/demo
build/tools/zephlark-make-os-file 1.5.0 build/demo/ZephlarkOS-1.5.0.zlos
echo "Sample OS file for the demo: build/demo/ZephlarkOS-1.5.0.zlos"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program"
fi

screenshot=${SCREENSHOT:-$PWD/build/demo-screenshot.png}
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
    "$1" > build/demo.log 2>&1 &
    pid=$!
    window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Zephlark Utility$" | head -n 1)
    sleep 2 # let the device answer and the lamp repaint
    import -window root "$2"
    xdotool windowfocus --sync "$window" key ctrl+q
    wait "$pid"
' demo "$program" "$screenshot"
echo "--- log of the demo run ---"
cat build/demo.log
echo "--- screenshot saved to $screenshot"
