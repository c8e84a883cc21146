#!/usr/bin/env bash
# The Windows build and its tests under wine: cross-compiles the program and its Windows test
# programs with mingw-w64 into build-windows/ (wxMSW from scripts/build-wxmsw.sh, cached outside the
# checkout), makes its setup program and portable zip with cpack (build-windows/package/), makes a
# fresh wine prefix and runs the tests under Xvfb through CTest. Ends with an
# "N passed, N failed" line. Skips, saying so, only when wine cannot be had.
#
# Environment: JOBS (default 2), ZEPHLARK_SCREENSHOT (where the program's screenshot goes, default
# build-windows/windows-screenshot.png).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

readonly packages=(
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
    wine wine64 dpkg-dev make nsis
    cmake ninja-build libgtest-dev xvfb xauth xdotool imagemagick gettext
)
readonly jobs=${JOBS:-2}
readonly build=$root/build-windows
readonly host_test=$root/build/tests/ZephlarkKitWx/windows/host/zephlark_wine_host

log() { echo "windows-test: $*"; }

ensure_packages() {
    local missing=() package
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        log "missing packages (${missing[*]}) and not root to install them"
        return 0
    fi
    log "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
        log "installing failed"
}

ensure_packages
if ! command -v wine >/dev/null; then
    log "wine is not installed (apt-get install wine wine64): the Windows tests are skipped"
    exit 0
fi

wxmsw_prefix=$(scripts/build-wxmsw.sh | tail -n 1)

# The Linux side of the tests (the simulated device, the program's driver) builds with the Linux
# build.
scripts/build.sh zephlark_wine_host >/dev/null

# Configured every time: a rebuilt wxMSW lands under a new key.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    -DwxWidgets_CONFIG_EXECUTABLE="$wxmsw_prefix/bin/wx-config" \
    -DZEPHLARK_WINE_HOST="$host_test" >/dev/null
cmake --build "$build" -j "$jobs"
# The setup program and the portable zip, which the package test installs and unpacks.
packaging_start=$SECONDS
rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" -B "$build/package" >"$build/cpack-output.txt" ||
    { cat "$build/cpack-output.txt"; exit 1; }
log "packages made in $((SECONDS - packaging_start)) s: $(cd "$build/package" && echo *.exe *.zip)"

# A prefix of its own for every run: the tests register devices in its registry and link its
# COM ports, and nothing of an earlier run may linger there.
export WINEPREFIX=$build/wineprefix
export WINEARCH=win64
export WINEDEBUG=-all
# No .NET or Gecko installer dialog on the first start, and no menu entries in this machine's
# desktop for the shortcuts that the setup program makes.
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
export ZEPHLARK_SCREENSHOT=${ZEPHLARK_SCREENSHOT:-$build/windows-screenshot.png}
rm -rf "$WINEPREFIX"

results=$build/ctest-output.txt
status=0
# One X server and one wineserver for the whole run. wineserver holds the pseudo-terminals the
# tests link as COM ports and dumps its object table on stderr when one hangs up: started on its
# own with stderr discarded, it keeps that out of the test output.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    wineserver -p 2>/dev/null
    wineboot --init >/dev/null 2>&1
    ctest --test-dir "$1" --output-on-failure --timeout 600
    status=$?
    wineserver -k
    exit $status' sh "$build" | tee "$results" || status=$?

# "75% tests passed, 1 tests failed out of 4"
summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$results" | tail -n 1 || true)
if [ -z "$summary" ]; then
    echo "0 passed, 1 failed"
    exit 1
fi
failed=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$summary")
total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
[ -f "$ZEPHLARK_SCREENSHOT" ] && log "screenshot of the program: $ZEPHLARK_SCREENSHOT"
echo "$((total - failed)) passed, $failed failed"
exit "$status"
