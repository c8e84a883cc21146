#include "update/UpdateFileName.h"

namespace {

constexpr size_t kMaxFatNameLength = 255;
// A copy is first written under its name and ".part" (see VerifiedCopy), which must fit too.
constexpr size_t kLongestTemporarySuffix = 5;

bool Carriable(wxUniChar c)
{
    if (!c.IsAscii())
        return false;
    const char ascii = static_cast<char>(c.GetValue());
    return ascii > 0x20 && ascii < 0x7f && wxString("\"*/:<>?\\|").Find(ascii) == wxNOT_FOUND;
}

// Windows cannot create a file whose base name is a device name, whatever its extension.
bool IsReservedDeviceName(const wxString& name)
{
    const wxString base = name.BeforeFirst('.').Upper();
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return true;
    return base.length() == 4 && (base.StartsWith("COM") || base.StartsWith("LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

} // namespace

wxString CleanUpdateFileName(const wxString& fullName)
{
    wxString clean;
    for (wxUniChar c : fullName)
        clean += Carriable(c) ? c : wxUniChar('_');
    // FAT drops trailing dots, so such a name would not be found again under the name sent.
    if (clean.empty() || clean.length() > kMaxFatNameLength - kLongestTemporarySuffix ||
        clean.EndsWith("."))
        return wxString();
    if (IsReservedDeviceName(clean))
        clean.insert(clean.find('.') == wxString::npos ? clean.length() : clean.find('.'), "_");
    return clean;
}
