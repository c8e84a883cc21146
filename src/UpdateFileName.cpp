#include "UpdateFileName.h"

namespace {

constexpr size_t kMaxFatNameLength = 255;

bool Carriable(wxUniChar c)
{
    if (!c.IsAscii())
        return false;
    const char ascii = static_cast<char>(c.GetValue());
    return ascii > 0x20 && ascii < 0x7f && wxString("\"*/:<>?\\|").Find(ascii) == wxNOT_FOUND;
}

} // namespace

wxString CleanUpdateFileName(const wxString& fullName)
{
    wxString clean;
    for (wxUniChar c : fullName)
        clean += Carriable(c) ? c : wxUniChar('_');
    // FAT drops trailing dots, so such a name would not be found again under the name sent.
    if (clean.empty() || clean.length() > kMaxFatNameLength || clean.EndsWith(".") ||
        clean.find_first_not_of('.') == wxString::npos)
        return wxString();
    return clean;
}
