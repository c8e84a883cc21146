#pragma once

#include <wx/iconbndl.h>
#include <wx/string.h>

// One of the icon bundles that the program carries in its own binary, each at 16, 32, 48 and 256
// pixels square with alpha: "window_icon" for its windows, "program_icon" for the program file.
// An unknown name gives an empty bundle and a log message.
wxIconBundle LoadIconBundle(const wxString& name);
