#!/usr/bin/env bash
# Installs the build tree into a scratch root (as the package does, prefix /usr) and checks it.
# Usage: install_layout_test.sh BUILD_DIR CHECK_LAYOUT_SCRIPT
set -euo pipefail
build_dir=$1
check_layout=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build_dir" --prefix /usr --component Unspecified >/dev/null
DESTDIR=$root cmake --install "$build_dir" --prefix /usr --component desktop >/dev/null
"$check_layout" "$root"
