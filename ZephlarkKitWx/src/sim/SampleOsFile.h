#pragma once

// OS files for tests and the demo: ZIP archives shaped like the device maker's, with a root
// "version" entry beside a system image the simulated device never looks into.

#include <wx/string.h>

#include <string>
#include <vector>

namespace sim {

struct ArchiveEntry
{
    wxString name; // "version", "Version", "system/version": the entry's path inside the archive
    std::string data;
};

// Writes the entries, in order, as a new ZIP archive at path (replacing any file there). False
// after logging the reason when the file cannot be written.
bool WriteZipArchive(const wxString& path, const std::vector<ArchiveEntry>& entries);

// A well-formed OS file: a system image and a root "version" entry holding versionText exactly
// (as UTF-8, a trailing line break included when given).
bool WriteSampleOsFile(const wxString& path, const wxString& versionText);

} // namespace sim
