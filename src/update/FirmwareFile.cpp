#include "update/FirmwareFile.h"

#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <memory>
#include <string>

namespace {

const wxString kVersionEntryName = "version";

// Reads the entry's data up to the bound; false when it is larger, shorter or longer than the
// archive declares, or fails its checksum.
bool ReadBoundedEntry(wxZipInputStream& zip, const wxZipEntry& entry, std::string& data)
{
    const wxFileOffset declared = entry.GetSize();
    if (declared > static_cast<wxFileOffset>(kMaxVersionEntryBytes))
        return false;
    char chunk[4096];
    while (!zip.Eof()) {
        zip.Read(chunk, sizeof chunk);
        data.append(chunk, zip.LastRead());
        if (data.size() > kMaxVersionEntryBytes)
            return false;
        if (zip.LastRead() == 0)
            break;
    }
    // wx checks the CRC when the entry's end is reached and reports a mismatch as a read error.
    if (zip.GetLastError() != wxSTREAM_EOF && zip.GetLastError() != wxSTREAM_NO_ERROR)
        return false;
    return declared < 0 || static_cast<size_t>(declared) == data.size();
}

} // namespace

FirmwareFileStatus ReadFirmwareVersion(const wxString& path, wxString& version)
{
    version.clear();
    wxFileInputStream file(path);
    if (!file.IsOk())
        return FirmwareFileStatus::CannotOpen;

    wxZipInputStream zip(file, wxConvLocal);
    std::unique_ptr<wxZipEntry> entry;
    while (entry.reset(zip.GetNextEntry()), entry) {
        if (entry->GetName() != kVersionEntryName)
            continue;
        std::string data;
        if (!ReadBoundedEntry(zip, *entry, data))
            return FirmwareFileStatus::Invalid;
        version = wxString(data.data(), *wxConvCurrent, data.size());
        break;
    }
    return version.empty() ? FirmwareFileStatus::Invalid : FirmwareFileStatus::Ok;
}
