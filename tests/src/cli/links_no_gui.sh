#!/bin/sh
# Fails when a program links a GUI toolkit library (GTK, GDK, X11, wxWidgets' GUI part).
status=0
for program in "$@"; do
    libraries=$(ldd "$program") || { echo "ldd failed on $program"; exit 1; }
    # The check means something only if wxBase itself is there.
    echo "$libraries" | grep -q libwx_baseu || { echo "$program: no wxBase?"; status=1; }
    if echo "$libraries" | grep -E 'libgtk|libgdk|libX11|libwx_gtk'; then
        echo "$program links a GUI library"
        status=1
    fi
done
exit $status
