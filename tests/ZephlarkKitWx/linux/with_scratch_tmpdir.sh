#!/bin/sh
# Runs a command with TMPDIR set to a fresh folder of its own, removed afterwards, so that what an
# aborted run leaves there (umockdev's folders, the tests' scratch folders) goes with it. umockdev
# puts its sockets there: a socket's path may be at most 107 bytes, so the folder is in /tmp, never
# deep in a build tree.
scratch=$(mktemp -d /tmp/zephlark-test.XXXXXX) || exit 1
trap 'rm -rf "$scratch"' EXIT
trap 'exit 143' HUP INT TERM
TMPDIR=$scratch "$@"
