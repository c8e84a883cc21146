#pragma once

// What a screen reader reads for a window: its accessible name and description. The lamp is drawn,
// not written, so without these a screen reader would have nothing to say about it.

#include <wx/string.h>

class wxWindow;

// Through ATK on GTK and wxAccessible on Windows; does nothing where the toolkit offers neither.
void SetAccessibleText(wxWindow* window, const wxString& name, const wxString& description);
