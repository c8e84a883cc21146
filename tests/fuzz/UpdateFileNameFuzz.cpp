// Fuzzes the cleaning of update file names, which travel in the install command and onto the
// device's FAT data disk.
//
// The input is a file name (UTF-8, or Latin-1 when it is not). The cleaned name is empty or holds
// only printable ASCII without spaces and FAT's forbidden characters (so no path separator), names
// no Windows device (CON, PRN, AUX, NUL, COM1-9, LPT1-9 in any case, with any extension) and is no
// ".." path part.

#include <wx/init.h>

#include <cstdint>

#include "FuzzProperty.h"
#include "update/UpdateFileName.h"

namespace {

const wxString kFatForbidden = "\"*/:<>?\\|";
const wxString kDeviceNames[] = {"CON", "PRN", "AUX", "NUL"};
const wxString kNumberedDeviceNames[] = {"COM", "LPT"};

bool IsDeviceName(const wxString& name)
{
    const wxString stem = name.BeforeFirst('.').Upper();
    for (const wxString& device : kDeviceNames) {
        if (stem == device)
            return true;
    }
    for (const wxString& device : kNumberedDeviceNames) {
        wxString number;
        if (stem.StartsWith(device, &number) && number.length() == 1 && number[0] >= '1' &&
            number[0] <= '9')
            return true;
    }
    return false;
}

void RequireCarriable(const wxString& clean)
{
    for (wxUniChar c : clean) {
        RequireProperty(c.IsAscii() && c > 0x20 && c < 0x7f,
                        "only printable ASCII without spaces remains");
        RequireProperty(kFatForbidden.Find(c) == wxNOT_FOUND, "no FAT-forbidden character remains");
    }
    RequireProperty(!IsDeviceName(clean), "no Windows device name remains");
    RequireProperty(clean != "..", "no \"..\" remains");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer wx;
    const char* bytes = reinterpret_cast<const char*>(data);
    wxString name = wxString::FromUTF8(bytes, size);
    if (name.empty())
        name = wxString::From8BitData(bytes, size);
    const wxString clean = CleanUpdateFileName(name);
    if (!clean.empty())
        RequireCarriable(clean);
    return 0;
}
