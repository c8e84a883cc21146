#include "DesktopLanguage.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/stdpaths.h>
#include <wx/translation.h>
#include <wx/uilocale.h>

namespace {

const char* const kCatalogName = "zephlark-utility";

// Where the catalogs sit relative to the program file. On Windows each <lang>/ folder is beside it.
// A program in <prefix>/bin finds <prefix>/share/locale; one in the build tree (the demo, a test)
// sits a folder or two below the tree's top, which holds the built catalogs in the same layout.
void AddCatalogFolders()
{
    const wxFileName program(wxStandardPaths::Get().GetExecutablePath());
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(program.GetPath());
    for (wxFileName folder = wxFileName::DirName(program.GetPath()); folder.GetDirCount() > 0;) {
        folder.RemoveLastDir();
        const wxString localeFolder =
            folder.GetPathWithSep() + "share" + wxFileName::GetPathSeparator() + "locale";
        if (wxDirExists(localeFolder)) {
            wxFileTranslationsLoader::AddCatalogLookupPathPrefix(localeFolder);
            return;
        }
    }
}

} // namespace

void UseDesktopLanguage()
{
    wxUILocale::UseDefault();
    AddCatalogFolders();
    auto* translations = new wxTranslations;
    wxTranslations::Set(translations);
    translations->AddStdCatalog();
    translations->AddCatalog(kCatalogName);
}
