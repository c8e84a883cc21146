#pragma once

#include <wx/aboutdlg.h>

// What the About box shows: the name, the build number as the version, the full release version
// as the long version, and a notice that carries the given year.
wxAboutDialogInfo MakeAboutInfo(int year);

// The first line of each run's log: the program, its full release version and the system it runs
// on ("Zephlark Utility 0.1.0-beta.1 on Debian GNU/Linux 12 (bookworm), Linux 6.1.0, x86_64").
wxString RunLogHeader();
