#!/usr/bin/env bash
# Takes the window's screenshots in docs/: light and dark GTK themes, a scale of 1 and 2, English
# and German; connected, without a device, with the port held by another program (the info
# bar) and with three devices (the chooser); and, light and English, an update's progress window and a failed update's result box.
# Runs the demo program under Xvfb and saves each window alone (no desktop around it).
# Usage: scripts/screenshots.sh [OUTPUT_FOLDER]   (default docs/)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs}
scripts/build.sh zephlark-utility-sim zephlark-make-os-file
program=$PWD/build/src/zephlark-utility-sim
mkdir -p "$out"
# The demo writes a log file per run: not into the user's own state folder.
state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT

# shot NAME THEME SCALE LANG DEVICE   (DEVICE: plugged, unplugged, busy or three)
shot() {
    local unplugged=0 busy=0 devices=1
    [ "$5" = unplugged ] && unplugged=1
    [ "$5" = busy ] && busy=1
    [ "$5" = three ] && devices=3
    # shellcheck disable=SC2016 # the inner script's variables are its own
    GTK_THEME=$2 GDK_SCALE=$3 LANG=$4 LANGUAGE='' LC_ALL='' XDG_STATE_HOME=$state \
        ZEPHLARK_SIM_UNPLUGGED=$unplugged ZEPHLARK_SIM_BUSY=$busy ZEPHLARK_SIM_DEVICES=$devices \
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

# update_shots PROGRESS_NAME RESULT_NAME: drives the demo as a user would: Simulate → Updates
# Fail → Unpacking Fails by its keys, "Upgrade Firmware..." (the focused button), the OS file typed
# into the file dialog, no key file. The progress window is taken while the device unpacks, the
# result box once the update has ended.
update_shots() {
    local os_file=$state/ZephlarkOS-1.5.0.zlos
    build/tools/zephlark-make-os-file 1.5.0 "$os_file" >/dev/null
    # shellcheck disable=SC2016 # the inner script's variables are its own
    GTK_THEME=Adwaita GDK_SCALE=1 LANG=C.UTF-8 LANGUAGE='' LC_ALL='' XDG_STATE_HOME=$state \
        xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
        set -e
        log=$(mktemp)
        "$1" >"$log" 2>&1 &
        pid=$!
        window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Zephlark Utility$" | head -n 1)
        sleep 2 # let the device answer
        xdotool windowfocus --sync "$window"
        xdotool key alt+s u u
        sleep 0.5
        xdotool key Return
        timeout 10 xdotool search --sync --onlyvisible --name "^Select a Zephlark OS file$" >/dev/null
        sleep 1
        xdotool type --delay 20 "$2"
        xdotool key Return
        timeout 10 xdotool search --sync --onlyvisible --name "^Select a Zephlark OS key file$" >/dev/null
        sleep 1
        xdotool key Escape
        progress=$(timeout 10 xdotool search --sync --onlyvisible --name "^Updating Zephlark$" | head -n 1)
        timeout 30 sh -c "until grep -q \"Unpacking firmware\" $log; do sleep 0.1; done"
        sleep 0.3
        import -window "$progress" "$3"
        box=$(timeout 120 xdotool search --sync --onlyvisible --name "^Firmware Update$" | head -n 1)
        sleep 1
        import -window "$box" "$4"
        kill "$pid"; wait "$pid" || true
        rm -f "$log"
    ' shot "$program" "$os_file" "$out/$1.png" "$out/$2.png"
    echo "$out/$1.png"
    echo "$out/$2.png"
}

shot screenshot-connected Adwaita 1 C.UTF-8 plugged
shot screenshot-disconnected Adwaita 1 C.UTF-8 unplugged
shot screenshot-busy Adwaita 1 C.UTF-8 busy
shot screenshot-devices Adwaita 1 C.UTF-8 three
shot screenshot-connected-dark Adwaita:dark 1 C.UTF-8 plugged
shot screenshot-busy-dark Adwaita:dark 1 C.UTF-8 busy
shot screenshot-connected-dark-2x Adwaita:dark 2 C.UTF-8 plugged
shot screenshot-connected-de Adwaita 1 de_DE.UTF-8 plugged
shot screenshot-busy-de Adwaita 1 de_DE.UTF-8 busy
shot screenshot-disconnected-de-2x Adwaita 2 de_DE.UTF-8 unplugged
update_shots screenshot-update-progress screenshot-update-failed
