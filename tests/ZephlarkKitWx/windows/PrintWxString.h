#pragma once

// GoogleTest shows a wxString as its list of character codes; this shows the text.

#include <wx/string.h>

#include <ostream>

inline void PrintTo(const wxString& text, std::ostream* out)
{
    *out << '"' << text.utf8_string() << '"';
}
