#pragma once

// The operating system and the machine this program runs on, in words a supporter can act on:
// "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64, x86_64". Each run's log starts with it.
// Asks the system directly (no command is run: wx's own calls start lsb_release and uname).

#include <wx/string.h>

wxString DescribeSystem();
