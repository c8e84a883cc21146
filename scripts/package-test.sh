#!/usr/bin/env bash
# CI: builds the Debian package, checks it in a throw-away root, installs it for real with apt-get,
# starts the installed program under Xvfb (it must show its window and exit cleanly on Ctrl+Q) and
# removes it again. Needs root (apt-get) and the packages of scripts/install-deps.sh.
#
# Usage: scripts/package-test.sh [BUILD_DIR]
# By default it packages build/ when that is configured: scripts/test.sh has just built and tested
# it, so nothing is compiled twice and the packaged program is the tested one. Its build type and
# test targets do not leak into the package: CPack installs under /usr whatever the build's prefix,
# packs only the program's and the desktop files' install components, and strips the program.
# Without build/ it configures build-package/ for packaging alone (no tests, prefix /usr).
# shellcheck disable=SC2317 # the check functions run through step, which shellcheck cannot follow
set -uo pipefail
cd "$(dirname "$0")/.." || exit
source_dir=$PWD

package=zephlark-utility
# The newest heading of CHANGELOG.md, "## 0.1.0-beta.1 (2026-12-07)", names the release.
release_version=$(sed -n 's/^## \([^ ]*\) .*/\1/p' CHANGELOG.md | head -n 1)
app_id=com.orvex.ZephlarkUtility
if [ -n "${1:-}" ]; then
    build_dir=$1
elif [ -f build/build.ninja ]; then
    build_dir=build
else
    build_dir=build-package
fi
build_dir=$(realpath -m "$build_dir")
work=$(mktemp -d)
deb=""

# A failed run must not leave the package on the machine, and a package left behind by an aborted
# run would turn the install below into an upgrade.
purge_leftover() {
    local state
    state=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)
    if [ -n "$state" ] && [ "$state" != not-installed ]; then
        DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "$package" >/dev/null 2>&1
    fi
}
trap 'purge_leftover; rm -rf "$work"' EXIT

# shellcheck source=tests/support/steps.sh
source "$source_dir/tests/support/steps.sh"

build_package() {
    if [ ! -f "$build_dir/build.ninja" ]; then
        cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
            -DCMAKE_INSTALL_PREFIX=/usr || return
    fi
    # cpack builds nothing itself: everything the package installs is built here.
    cmake --build "$build_dir" -j2 --target zephlark-utility zephlark-cli zephlark-package-docs ||
        return
    rm -f "$build_dir"/package/*.deb
    cpack --config "$build_dir/CPackConfig.cmake" -B "$build_dir/package" || return
    deb=$(ls "$build_dir"/package/*.deb)
    echo "Built $deb"
}

control_field() { dpkg-deb -f "$deb" "$1"; }

# dpkg-shlibdeps must have found the libraries the program links against.
check_control_fields() {
    local status=0
    dpkg-deb --info "$deb"
    [ "$(control_field Package)" = "$package" ] || { echo "wrong Package"; status=1; }
    [ "$(control_field Section)" = utils ] || { echo "wrong Section"; status=1; }
    [ "$(control_field Version)" = "${release_version/-/\~}" ] ||
        { echo "Version is not CHANGELOG.md's newest, $release_version"; status=1; }
    for library in libwxgtk3.2-1 libudev1 libglib2.0-0; do
        control_field Depends | grep -q "\b$library\b" || { echo "Depends lacks $library"; status=1; }
    done
    [ -n "$(control_field Maintainer)" ] || { echo "no Maintainer"; status=1; }
    return "$status"
}

# Files owned by the builder's uid, or maintainer scripts dpkg cannot run, only show on install.
check_archive() {
    local status=0 script
    dpkg-deb -c "$deb" | awk '$2 != "root/root" { print "not owned by root: " $0; bad = 1 } END { exit bad }' ||
        status=1
    dpkg-deb -e "$deb" "$work/control"
    for script in postinst postrm; do
        [ -x "$work/control/$script" ] || { echo "$script is missing or not executable"; status=1; }
        sh -n "$work/control/$script" || status=1
    done
    return "$status"
}

# What a distribution checks first. An error or a warning fails; info and pedantic notes (by
# lintian's own account worth knowing, or open to dispute) pass, and are printed after the step.
check_lintian() {
    lintian --display-info --pedantic --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1
    local status=$?
    cat "$work/lintian.log"
    return "$status"
}

check_unpacked_tree() {
    dpkg -x "$deb" "$work/root" && tests/packaging/check_layout.sh "$work/root"
}

install_for_real() {
    DEBIAN_FRONTEND=noninteractive apt-get install -y "$deb" || return
    dpkg-query -W -f='${Status}\n' "$package" | grep -qx "install ok installed" || return
    dpkg -L "$package" >"$work/installed-paths"
    if ldd /usr/bin/zephlark-utility | grep "not found"; then
        return 1
    fi
    local version
    version=$(/usr/bin/zephlark-cli --version)
    [ "$version" = "zephlark-cli $release_version" ] ||
        { echo "zephlark-cli --version says \"$version\", not $release_version"; return 1; }
}

# Start the program the way the desktop does: the desktop entry's Exec line, looked up on PATH,
# from a folder with no program in it.
run_installed_program() {
    local entry=/usr/share/applications/$app_id.desktop
    local program wm_class
    program=$(sed -n 's/^Exec=//p' "$entry" | cut -d' ' -f1)
    wm_class=$(sed -n 's/^StartupWMClass=//p' "$entry")
    # shellcheck disable=SC2016 # the inner script's variables are its own
    # Its log files go to the scratch folder, not the user's.
    (cd "$work" && XDG_STATE_HOME="$work/state" xvfb-run -a bash -c '
        set -u
        "$1" >"$3/program.log" 2>&1 &
        pid=$!
        window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Zephlark Utility$" | head -n 1)
        [ -n "$window" ] || { echo "no window within 30 s"; kill "$pid"; exit 1; }
        echo "Window $window shown by $(command -v "$1")"
        # Docks find the desktop entry (and its icon) for a window through this class.
        xprop -id "$window" WM_CLASS | grep -q "\"$2\"" ||
            { echo "WM_CLASS does not name $2: $(xprop -id "$window" WM_CLASS)"; kill "$pid"; exit 1; }
        sleep 2 # a few seconds of running: start-up has finished its device and disk lookups
        kill -0 "$pid" || { echo "the program ended by itself"; exit 1; }
        xdotool windowfocus --sync "$window" key ctrl+q
        timeout 10 tail --pid="$pid" -f /dev/null || { echo "still running after Ctrl+Q"; kill "$pid"; exit 1; }
        wait "$pid"
        status=$?
        echo "Exit status $status"
        exit "$status"
    ' run "$program" "$wm_class" "$work")
    local status=$?
    echo "--- log of the installed program"
    cat "$work/program.log"
    if grep -qi "assert" "$work/program.log"; then
        echo "the log reports a failed assertion"
        return 1
    fi
    return "$status"
}

files_gone() {
    local status=0 path
    while read -r path; do
        [ -f "$path" ] && { echo "left behind: $path"; status=1; }
    done <"$work/installed-paths"
    return "$status"
}

remove_package() {
    DEBIAN_FRONTEND=noninteractive apt-get remove -y "$package" || return
    ! dpkg-query -W -f='${Status}\n' "$package" | grep -q "ok installed" || return
    files_gone
}

purge_package() {
    DEBIAN_FRONTEND=noninteractive apt-get purge -y "$package" || return
    if dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -qv "not-installed"; then
        echo "dpkg still knows the package: $(dpkg-query -W -f='${Status}' "$package")"
        return 1
    fi
    files_gone
}

if [ "$(id -u)" -ne 0 ]; then
    echo "FAIL: installing with apt-get needs root"
    failed=1
    finish
fi
purge_leftover

step "build the package in ${build_dir#"$source_dir"/}" build_package
[ -n "$deb" ] || finish
step "control fields, computed dependencies" check_control_fields
step "archive ownership, maintainer scripts" check_archive
step "lintian: no error, no warning" check_lintian
grep -E '^(I|P): ' "$work/lintian.log" | sed 's/^/    lintian note: /'
step "files in a throw-away root where the desktop expects them" check_unpacked_tree
step "apt-get install ./$(basename "$deb")" install_for_real
if [ -s "$work/installed-paths" ]; then
    step "installed program shows its window and exits cleanly on Ctrl+Q" run_installed_program
    step "apt-get remove" remove_package
    step "apt-get purge" purge_package
fi
finish
