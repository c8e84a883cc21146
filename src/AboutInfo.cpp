#include "AboutInfo.h"

#include <wx/intl.h>
#include <wx/string.h>

#include "BuildVersion.h"

wxAboutDialogInfo MakeAboutInfo(int year)
{
    wxAboutDialogInfo info;
    info.SetName("Zephlark Utility");
    info.SetVersion(ZEPHLARK_BUILD_NUMBER, ZEPHLARK_LONG_VERSION);
    info.SetCopyright(
        wxString::Format(_("Copyright %d Orvex.\nThe utility for your Zephlark handheld."), year));
    return info;
}
