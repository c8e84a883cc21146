#!/bin/sh
# Runs a command with TMPDIR set to a fresh folder of its own, removed afterwards. umockdev leaves its
# folders in TMPDIR when a run is aborted, and umockdev and the test's bus daemon put their sockets
# there: a socket's path may be at most 107 bytes, so the folder is in /tmp, never deep in a build
# tree.
scratch=$(mktemp -d /tmp/zephlark-test.XXXXXX) || exit 1
trap 'rm -rf "$scratch"' EXIT
trap 'exit 143' HUP INT TERM
TMPDIR=$scratch "$@"
