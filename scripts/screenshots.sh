#!/usr/bin/env bash
# Takes the window's screenshots in docs/: light and dark GTK themes, a scale of 1 and 2, English
# and German; connected, without a device, and with the port held by another program (the info
# bar). Runs the demo program under Xvfb and saves the window alone (no desktop around it).
# Usage: scripts/screenshots.sh [OUTPUT_FOLDER]   (default docs/)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs}
scripts/build.sh zephlark-utility-sim
program=$PWD/build/src/zephlark-utility-sim
mkdir -p "$out"
# The demo writes a log file per run: not into the user's own state folder.
state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT

# shot NAME THEME SCALE LANG DEVICE   (DEVICE: plugged, unplugged or busy)
shot() {
    local unplugged=0 busy=0
    [ "$5" = unplugged ] && unplugged=1
    [ "$5" = busy ] && busy=1
    # shellcheck disable=SC2016 # the inner script's variables are its own
    GTK_THEME=$2 GDK_SCALE=$3 LANG=$4 LANGUAGE='' LC_ALL='' XDG_STATE_HOME=$state \
        ZEPHLARK_SIM_UNPLUGGED=$unplugged ZEPHLARK_SIM_BUSY=$busy \
        xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
        "$1" >/dev/null 2>&1 &
        pid=$!
        window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Zephlark Utility$" | head -n 1)
        sleep 2 # let the device answer and the window show what it found
        import -window "$window" "$2"
        kill "$pid"; wait "$pid" || true
    ' shot "$program" "$out/$1.png"
    echo "$out/$1.png"
}

shot screenshot-connected Adwaita 1 C.UTF-8 plugged
shot screenshot-disconnected Adwaita 1 C.UTF-8 unplugged
shot screenshot-busy Adwaita 1 C.UTF-8 busy
shot screenshot-connected-dark Adwaita:dark 1 C.UTF-8 plugged
shot screenshot-busy-dark Adwaita:dark 1 C.UTF-8 busy
shot screenshot-connected-dark-2x Adwaita:dark 2 C.UTF-8 plugged
shot screenshot-connected-de Adwaita 1 de_DE.UTF-8 plugged
shot screenshot-busy-de Adwaita 1 de_DE.UTF-8 busy
shot screenshot-disconnected-de-2x Adwaita 2 de_DE.UTF-8 unplugged
