#!/usr/bin/env bash
# The Windows packages under wine, in the prefix that scripts/windows-test.sh prepared (WINEPREFIX,
# an X server, a running wineserver): the setup program installed silently, checked, its command
# line run with no Zephlark present, and removed; an older version updated in place; the portable
# zip unpacked and started. One PASS/FAIL line per step, with its time.
#
# Usage: packages_test.sh BUILD_DIR VERSION
#   BUILD_DIR  the Windows build, whose package/ folder holds what cpack made
#   VERSION    the long version in the package names ("0.1.0-beta.1")
# shellcheck disable=SC2317 # the check functions run through step, which shellcheck cannot follow
set -uo pipefail
build=${1:?usage: packages_test.sh BUILD_DIR VERSION}
version=${2:?}
setup=$build/package/zephlark-utility-$version-win64-setup.exe
portable=zephlark-utility-$version-win64-portable
older_version=0.0.9

readonly program=zephlark-utility.exe
readonly cli_program=zephlark-cli.exe
readonly window_title='^Zephlark Utility$'
readonly uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZephlarkUtility'
readonly installed_windows='C:\Program Files\Zephlark Utility'
drive_c=$WINEPREFIX/drive_c
installed=$drive_c/Program\ Files/Zephlark\ Utility
shortcut=$drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Zephlark\ Utility.lnk
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck source=tests/support/steps.sh
source "$(dirname "$0")/../../support/steps.sh"

# wait_until SECONDS COMMAND...: true once the command succeeds.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

# A value of the uninstall key as reg.exe prints it ("Zephlark Utility"), empty when there is
# none.
uninstall_value() {
    wine reg query "$uninstall_key" /v "$1" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$1 \{2,\}REG_[A-Z_]* \{2,\}//p"
}
no_uninstall_key() { ! wine reg query "$uninstall_key" >/dev/null 2>&1; }
gone() { [ ! -e "$1" ]; }

# HKLM\Software as text, but for the network cards that wine itself registers at some point.
software_registry() {
    wine reg export 'HKLM\Software' "$work/export.reg" /y >/dev/null &&
        tr -d '\0\r' <"$work/export.reg" | awk 'BEGIN { RS = ""; ORS = "\n\n" } !/NetworkCards/'
}

# Files and folders of the prefix's C: drive, but for the scratch folders Windows itself keeps
# (an uninstaller runs from a copy in the temporary folder) and the log files that each run of the
# program writes into the user's state folder (the user's, which an uninstall leaves alone).
drive_contents() {
    (cd "$drive_c" && find . -path ./windows -prune -o -path './users/*/Temp' -prune \
        -o -path './users/*/AppData/Local/Zephlark Utility/logs' -prune -o -print | LC_ALL=C sort)
}

# The files below a folder, relative to it, on one line.
files_in() { (cd "$1" && find . -type f | LC_ALL=C sort | tr '\n' ' '); }

silent_install() {
    wine "$1" /S || return
    [ -f "$installed/$program" ]
}

installed_files_are_the_programs_licence_catalogs_and_uninstaller() {
    local files
    files=$(files_in "$installed")
    echo "installed: $files"
    [ "$files" = "./LICENSE.txt ./Uninstall.exe ./de/wxstd-3.2.mo ./de/zephlark-utility.mo ./$cli_program ./$program " ]
}

# The log's first line names the installed version and the system as Windows describes itself;
# wine may or may not list a port.
installed_command_line_runs_doctor() {
    wine "$installed/$cli_program" doctor --json | tr -d '\r' >"$work/doctor"
    cat "$work/doctor"
    grep -E "\"event\":\"log\",.*\"zephlark-cli $version on Windows [^\"]+, (x64|x86|ARM64)\"" \
        "$work/doctor" && grep '"event":"check",.*"name":"port"' "$work/doctor" &&
        grep '"event":"check",.*"name":"disk"' "$work/doctor"
}

# Wine turns SIGINT into the console's Ctrl+C event once the program is up.
ctrl_c_while_waiting_stops_cleanly() {
    wine "$installed/$cli_program" info --wait 30 >/dev/null 2>"$work/err" &
    local pid=$! status
    wait_until 10 grep -q "Waiting for Zephlark" "$work/err" ||
        { kill "$pid"; echo "it never waited"; return 1; }
    kill -INT "$pid"
    wait "$pid"
    status=$?
    cat "$work/err"
    [ "$status" -eq 130 ] && grep -q "nothing was sent to the Zephlark" "$work/err"
}

# The link's target, as its LinkInfo block spells it.
shortcut_starts_the_installed_program() {
    strings "$shortcut" | grep -xF "$installed_windows\\$program"
}

# What Add/Remove Programs does: the uninstall string, with /S. The uninstaller copies itself to
# the temporary folder and returns at once, so the checks wait for its work to be done.
silent_uninstall_leaves_nothing() {
    local command
    command=$(uninstall_value UninstallString)
    [ -n "$command" ] || return
    wine "${command//\"/}" /S || return
    wait_until 30 gone "$installed" || { echo "the program folder is still there"; return 1; }
    wait_until 10 no_uninstall_key || { echo "the uninstall key is still there"; return 1; }
    gone "$shortcut" || { echo "the Start menu shortcut is still there"; return 1; }
    [ -f "$user_file" ] || { echo "the user's own files were removed"; return 1; }
    software_registry >"$work/software-after" || return
    diff "$work/software-before" "$work/software-after" ||
        { echo "HKLM\\Software differs from before the installation"; return 1; }
    drive_contents >"$work/drive-after"
    diff "$work/drive-before" "$work/drive-after" ||
        { echo "C: differs from before the installation"; return 1; }
}

# The older version is the same setup program with an older version number and one file more,
# which the update must not leave behind.
update_replaces_the_older_version_in_place() {
    # shellcheck disable=SC2016 # the variable is CMake's
    echo 'file(WRITE "${CMAKE_INSTALL_PREFIX}/notes-'"$older_version"'.txt" "")' \
        >"$work/extra-file.cmake"
    cpack --config "$build/CPackConfig.cmake" -G NSIS -B "$work/older" \
        -D CPACK_PACKAGE_VERSION="$older_version" \
        -D CPACK_ZEPHLARK_FILE_VERSION="$older_version.1" \
        -D CPACK_INSTALL_SCRIPTS="$work/extra-file.cmake" || return
    silent_install "$work/older/zephlark-utility-$older_version-win64-setup.exe" || return
    [ -f "$installed/notes-$older_version.txt" ] ||
        { echo "the older version is not installed"; return 1; }
    silent_install "$setup" || return
    [ "$(uninstall_value DisplayVersion)" = "$version" ] ||
        { echo "DisplayVersion is $(uninstall_value DisplayVersion)"; return 1; }
    gone "$installed/notes-$older_version.txt" ||
        { echo "the older version's extra file stayed"; return 1; }
    installed_files_are_the_programs_licence_catalogs_and_uninstaller
}

unpack_portable_zip() {
    mkdir -p "$work/portable" || return
    cmake -E chdir "$work/portable" cmake -E tar xf "$build/package/$portable.zip" || return
    local files
    files=$(files_in "$work/portable")
    echo "unpacked: $files"
    [ "$files" = "./$portable/LICENSE.txt ./$portable/de/wxstd-3.2.mo ./$portable/de/zephlark-utility.mo ./$portable/$cli_program ./$portable/$program " ]
}

# Started, it shows its window and, closed the polite way (WM_CLOSE), ends with status 0. Nothing
# on C: but the user's state folder may change meanwhile.
portable_program_writes_only_its_state_folder() {
    drive_contents | grep -v "/AppData/Local/Zephlark Utility" >"$work/drive-before"
    wine "$work/portable/$portable/$program" >"$work/program.log" 2>&1 &
    local pid=$!
    if ! timeout 60 xdotool search --sync --onlyvisible --name "$window_title" >/dev/null; then
        echo "no window within 60 s; the program's output:"
        cat "$work/program.log"
        kill "$pid"
        return 1
    fi
    wine taskkill /im "$program" >/dev/null 2>&1
    timeout 20 tail --pid="$pid" -f /dev/null ||
        { echo "still running after WM_CLOSE"; kill "$pid"; }
    wait "$pid" || return
    drive_contents | grep -v "/AppData/Local/Zephlark Utility" >"$work/drive-after"
    diff "$work/drive-before" "$work/drive-after"
}

for file in "$setup" "$build/package/$portable.zip"; do
    [ -f "$file" ] ||
        { echo "FAIL: $file is missing (cpack makes it: scripts/windows-test.sh)"; exit 1; }
done
# The per-user folder where the program keeps its state; an uninstall must leave it alone.
local_appdata=$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')")
user_file=$local_appdata/Zephlark\ Utility/kept-by-uninstall.txt
mkdir -p "$(dirname "$user_file")" && touch "$user_file"
software_registry >"$work/software-before"
drive_contents >"$work/drive-before"

step "silent install of $(basename "$setup")" silent_install "$setup"
step "installed: the two programs, the licence, the catalogs and the uninstaller" \
    installed_files_are_the_programs_licence_catalogs_and_uninstaller
step "installed command line's doctor --json: its version, the system, the port and disk checks" \
    installed_command_line_runs_doctor
step "Ctrl+C while waiting for the Zephlark stops with 130" ctrl_c_while_waiting_stops_cleanly
step "Start menu shortcut to the installed program" shortcut_starts_the_installed_program
step "silent uninstall leaves nothing behind but the user's files" silent_uninstall_leaves_nothing
step "update from $older_version in place" update_replaces_the_older_version_in_place
step "portable zip unpacks to the two programs, the licence and the catalogs" unpack_portable_zip
step "portable program shows its window and writes nothing outside its state folder" \
    portable_program_writes_only_its_state_folder

finish
