// On Windows the bundles are icon groups among the program's Win32 resources
// (windows/zephlark-utility.rc), which also give Explorer the program file's icon.
#include "WindowIcons.h"

#include <wx/icon.h>
#include <wx/log.h>

#include <windows.h>

wxIconBundle LoadIconBundle(const wxString& name)
{
    // wxIconBundle would log a system error of its own for a missing group; say it our way.
    if (!FindResourceW(nullptr, name.wc_str(), RT_GROUP_ICON)) {
        wxLogMessage("Icon bundle \"%s\" is not among the program's resources.", name);
        return {};
    }
    // Every size of the group, the 256 px PNG entry included.
    return wxIconBundle(name, nullptr);
}
