#!/bin/sh
# Runs a command on a D-Bus bus of its own that stands for the system bus too, with a
# python-dbusmock service for each NAME=TEMPLATE given before "--" (one of python-dbusmock's
# templates, such as logind, or a file of ours):
#   on_private_bus.sh [NAME=TEMPLATE]... -- COMMAND [ARGUMENT]...
# The services' own call logs are left out; their errors go to standard error.
exec dbus-run-session --config-file="$(dirname "$0")/private-bus.conf" -- sh -ec '
    export DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS"
    names=
    while [ "$1" != -- ]; do
        /usr/bin/python3 -m dbusmock --system --template "${1#*=}" >/dev/null &
        names="$names ${1%%=*}"
        shift
    done
    shift
    for name in $names; do
        gdbus wait --system --timeout 30 "$name"
    done
    exec "$@"' on_private_bus.sh "$@"
