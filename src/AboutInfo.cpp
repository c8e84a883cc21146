#include "AboutInfo.h"

#include <wx/string.h>

#include "BuildVersion.h"

wxAboutDialogInfo MakeAboutInfo(int year)
{
    wxAboutDialogInfo info;
    info.SetName("Zephlark Utility");
    const wxString longVersion =
        wxString::Format("%d.%d.%d-%s.%s", ZEPHLARK_VERSION_MAJOR, ZEPHLARK_VERSION_MINOR,
                         ZEPHLARK_VERSION_PATCH, ZEPHLARK_PRERELEASE_TAG, ZEPHLARK_BUILD_NUMBER);
    info.SetVersion(ZEPHLARK_BUILD_NUMBER, longVersion);
    info.SetCopyright(
        wxString::Format("Copyright %d Orvex.\nThe utility for your Zephlark handheld.", year));
    return info;
}
