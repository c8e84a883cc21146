# Installation of the desktop integration and the Debian package (filled in by the desktop work).
