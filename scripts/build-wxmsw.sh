#!/usr/bin/env bash
# Builds wxMSW 3.2.2 as static libraries for x86_64-w64-mingw32 from Debian's own wxWidgets source
# package, with zlib from libz-mingw-w64-dev and a static libpng built from Debian's libpng1.6
# source, and installs it outside the checkout so that every later run reuses it.
#
# Prints the install prefix (its bin/wx-config is what CMake wants) as the last line of stdout.
# The prefix is keyed by the wx version, the compiler version and the build options: a change to
# any of them builds afresh beside the old one.
#
# Needs: g++-mingw-w64-x86-64-posix, libz-mingw-w64-dev, dpkg-dev (for apt-get source), make.
# Environment: ZEPHLARK_WXMSW_CACHE (default /var/cache/zephlark-wxmsw), JOBS (default 2).
set -euo pipefail

readonly wx_version=3.2.2
readonly host=x86_64-w64-mingw32
readonly cc=$host-gcc-posix
readonly cxx=$host-g++-posix
readonly cache_root=${ZEPHLARK_WXMSW_CACHE:-/var/cache/zephlark-wxmsw}
readonly jobs=${JOBS:-2}

# Only what the program uses: base, core, threads, streams with zip, the common dialogs, GDI+
# drawing. Everything with a network, HTML, XML or a large control in it is left out, which
# halves the build.
readonly wx_options=(
    --with-msw --disable-shared --enable-unicode --with-cxx=17
    --with-zlib=sys --with-libpng=sys
    --without-libjpeg --without-libtiff --without-expat --without-liblzma --without-libcurl
    --without-regex --without-opengl --without-libmspack --without-nanosvg
    --disable-html --disable-htmlhelp --disable-mshtmlhelp --disable-help --disable-xrc
    --disable-aui --disable-stc --disable-ribbon --disable-propgrid --disable-richtext
    --disable-webview --disable-mediactrl --disable-sound --disable-grid --disable-dataviewctrl
    --disable-sockets --disable-protocols --disable-url --disable-fs_inet --disable-webrequest
    --disable-ipc --disable-docview --disable-mdidoc --disable-treelist --disable-printarch
    --disable-postscript
    --disable-tests --disable-precomp-headers --disable-dependency-tracking
)

log() { echo "build-wxmsw: $*" >&2; }

for tool in "$cc" "$cxx" dpkg-source make; do
    command -v "$tool" >/dev/null || {
        log "$tool is missing (install g++-mingw-w64-x86-64-posix, dpkg-dev, make)"
        exit 1
    }
done
[ -f "/usr/$host/lib/libz.a" ] || {
    log "the static mingw zlib is missing (install libz-mingw-w64-dev)"
    exit 1
}

compiler_version=$("$cxx" -dumpfullversion)
options_hash=$(printf '%s\n' "${wx_options[@]}" | sha256sum | cut -c1-10)
readonly key="wx$wx_version-gcc$compiler_version-$options_hash"
readonly prefix=$cache_root/$key

# Two CI jobs on one machine must not build into the same prefix at once.
mkdir -p "$cache_root"
exec 9>"$cache_root/$key.lock"
flock 9

if [ -f "$prefix/.complete" ]; then
    log "reusing $prefix"
    echo "$prefix"
    exit 0
fi

log "building wxMSW $wx_version into $prefix (about 15 minutes on 2 cores)"
rm -rf "$prefix"
work=$(mktemp -d "${TMPDIR:-/tmp}/wxmsw.XXXXXX")
trap 'rm -rf "$work"' EXIT
# apt's download user must be able to write here, or apt falls back to root with a warning.
chmod 755 "$work"

# A private deb-src list beside the machine's deb list: the system's apt state stays untouched.
fetch_sources() {
    mkdir -p "$work/apt/parts" "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
            >"$work/apt/parts/debian-src.sources"
    fi
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$work/apt/parts/debian-src.list"
    fi
    apt_options=(
        -o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/apt/parts"
        -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
    )
    apt-get "${apt_options[@]}" update -qq
    (cd "$work" && fetch_one wxwidgets3.2 && fetch_one libpng1.6)
}

# The mirror may list a security update whose files it does not hold yet: take the newest
# version that downloads.
fetch_one() {
    local package=$1 version
    for version in $(apt-cache "${apt_options[@]}" showsrc "$package" |
        sed -n 's/^Version: //p' | sort -rV | uniq); do
        if apt-get "${apt_options[@]}" source -qq "$package=$version" >/dev/null 2>&1; then
            log "fetched $package $version"
            return 0
        fi
        log "$package $version could not be fetched; trying an older version"
    done
    log "no source of $package could be fetched"
    return 1
}

# Quiet while it works; the end of the step's output when it fails.
run_logged() {
    local name=$1
    shift
    if ! "$@" >"$work/$name.log" 2>&1; then
        log "$name failed; the end of its output:"
        tail -n 40 "$work/$name.log" >&2
        return 1
    fi
}

build_libpng() {
    local source
    source=$(echo "$work"/libpng1.6-*/)
    mkdir -p "$work/build-png"
    (
        cd "$work/build-png"
        run_logged libpng-configure "$source/configure" --host="$host" --prefix="$prefix" \
            --disable-shared --enable-static CC="$cc" CFLAGS="-O2"
        run_logged libpng-make make -j"$jobs"
        run_logged libpng-install make install
    )
}

build_wx() {
    local source
    source=$(echo "$work"/wxwidgets3.2-"$wx_version"*/)
    mkdir -p "$work/build-wx"
    (
        cd "$work/build-wx"
        run_logged wx-configure "$source/configure" --host="$host" \
            --build="$(dpkg-architecture -qDEB_BUILD_GNU_TYPE)" --prefix="$prefix" \
            "${wx_options[@]}" CC="$cc" CXX="$cxx" CPPFLAGS="-I$prefix/include" \
            LDFLAGS="-L$prefix/lib" CFLAGS="-O2" CXXFLAGS="-O2"
        run_logged wx-make make -j"$jobs"
        run_logged wx-install make install
    )
}

fetch_sources
build_libpng
build_wx
touch "$prefix/.complete"
log "installed into $prefix"
echo "$prefix"
