#include "sim/OsFileVersion.h"

#include <wx/log.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <memory>
#include <system_error>

namespace sim {

namespace {

const wxString kVersionEntryName = "version";
// A larger "version" entry is no version text; the device stops reading rather than fill its
// memory.
constexpr size_t kMaxVersionBytes = 64 * 1024;

// False when the entry holds more than the bound or its data is damaged (wx reports a CRC
// mismatch as a read error at the entry's end).
bool ReadBounded(wxZipInputStream& zip, std::string& data)
{
    char chunk[4096];
    do {
        zip.Read(chunk, sizeof chunk);
        data.append(chunk, zip.LastRead());
        if (data.size() > kMaxVersionBytes)
            return false;
    } while (zip.LastRead() > 0 && zip.IsOk());
    return zip.GetLastError() == wxSTREAM_EOF || zip.GetLastError() == wxSTREAM_NO_ERROR;
}

std::optional<std::string> ReadVersionEntry(wxZipInputStream& zip, const wxZipEntry& entry)
{
    std::string data;
    if (entry.GetSize() > static_cast<wxFileOffset>(kMaxVersionBytes) || !ReadBounded(zip, data))
        return std::nullopt;
    std::string text = data.substr(0, data.find_first_of("\r\n"));
    if (text.empty())
        return std::nullopt;
    return text;
}

} // namespace

std::optional<std::string> ReadOsFileVersion(const std::filesystem::path& file)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    // What the device makes of a bad archive is its answer on the serial line, not the host's log.
    wxLogNull quiet;
    wxFileInputStream stream(wxString::FromUTF8(file.u8string()));
    if (!stream.IsOk())
        return std::nullopt;
    wxZipInputStream zip(stream);
    std::unique_ptr<wxZipEntry> entry;
    while (entry.reset(zip.GetNextEntry()), entry) {
        if (entry->GetName(wxPATH_UNIX) == kVersionEntryName)
            return ReadVersionEntry(zip, *entry);
    }
    return std::nullopt;
}

} // namespace sim
