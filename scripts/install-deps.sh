#!/usr/bin/env bash
# Installs the Debian 12 packages that building, the demo and the tests need; only what is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    clang libclang-rt-14-dev llvm clang-format
    libwxgtk3.2-dev libgtk-3-dev libudev-dev libglib2.0-dev libgtest-dev libgmock-dev
    umockdev libumockdev-dev dbus-daemon dbus-bin libglib2.0-bin
    python3-dbusmock python3-dbus python3-gi python3-jsonschema nlohmann-json3-dev
    xvfb xauth x11-utils xdotool imagemagick
    desktop-file-utils appstream dpkg-dev file lintian
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
    wine wine64 make nsis
    gettext locales wx3.2-i18n
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The translation tests run the window under a German desktop: the C library needs that locale.
if ! locale -a | grep -qx de_DE.utf8; then
    sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    locale-gen >/dev/null
fi
