#include "WindowIcons.h"

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/image.h>
#include <wx/imagpng.h>
#include <wx/log.h>

#include <algorithm>
#include <iterator>

#include "EmbeddedIcons.h"

namespace {

// Both bundles show the same artwork: the program file looks like the window it opens.
const char* const kBundleNames[] = {"window_icon", "program_icon"};

bool IsKnownBundle(const wxString& name)
{
    return std::find(std::begin(kBundleNames), std::end(kBundleNames), name) !=
           std::end(kBundleNames);
}

// Decoding goes through the toolkit's PNG handler on most ports; the program may not have
// registered it yet when it asks for its icons.
void EnsurePNGHandler()
{
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
}

} // namespace

wxIconBundle LoadIconBundle(const wxString& name)
{
    wxIconBundle bundle;
    if (!IsKnownBundle(name)) {
        wxLogMessage("Icon bundle \"%s\" is not among the program's resources.", name);
        return bundle;
    }
    EnsurePNGHandler();
    for (const embedded::File& file : embedded::kFiles) {
        const wxBitmap bitmap = wxBitmap::NewFromPNGData(file.data, file.size);
        if (!bitmap.IsOk()) {
            wxLogMessage("Failed to decode the icon image %s of the bundle \"%s\".", file.name,
                         name);
            continue;
        }
        wxIcon icon;
        icon.CopyFromBitmap(bitmap);
        bundle.AddIcon(icon);
    }
    return bundle;
}
