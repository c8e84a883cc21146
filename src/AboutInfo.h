#pragma once

#include <wx/aboutdlg.h>

// What the About box shows: the name, the build number as the version, the full release version
// as the long version, and a notice that carries the given year.
wxAboutDialogInfo MakeAboutInfo(int year);
