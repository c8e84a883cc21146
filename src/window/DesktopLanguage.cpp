#include "window/DesktopLanguage.h"

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
    const wxString programFolder = wxFileName(wxStandardPaths::Get().GetExecutablePath()).GetPath();
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(programFolder);
    wxFileName above = wxFileName::DirName(programFolder);
    while (above.GetDirCount() > 0) {
        above.RemoveLastDir();
        wxFileName localeFolder = above;
        localeFolder.AppendDir("share");
        localeFolder.AppendDir("locale");
        if (localeFolder.DirExists()) {
            wxFileTranslationsLoader::AddCatalogLookupPathPrefix(localeFolder.GetPath());
            return;
        }
    }
}

} // namespace

void UseDesktopLanguage()
{
    // Fails where the C library lacks the desktop's locale; the texts follow its language anyway.
    wxUILocale::UseDefault();
    AddCatalogFolders();
    auto* translations = new wxTranslations;
    wxTranslations::Set(translations);
    translations->AddStdCatalog();
    translations->AddCatalog(kCatalogName);
}
