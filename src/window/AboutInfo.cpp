#include "window/AboutInfo.h"

#include <wx/intl.h>
#include <wx/string.h>

#include "BuildVersion.h"
#include "SystemDescription.h"

namespace {

constexpr char kProgramName[] = "Zephlark Utility";

} // namespace

wxAboutDialogInfo MakeAboutInfo(int year)
{
    wxAboutDialogInfo info;
    info.SetName(kProgramName);
    info.SetVersion(ZEPHLARK_BUILD_NUMBER, ZEPHLARK_LONG_VERSION);
    info.SetCopyright(
        wxString::Format(_("Copyright %d Orvex.\nThe utility for your Zephlark handheld."), year));
    return info;
}

wxString RunLogHeader()
{
    return wxString::Format("%s %s on %s", kProgramName, ZEPHLARK_LONG_VERSION, DescribeSystem());
}
