#include "sim/OsFileVersion.h"

#include <wx/log.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <memory>
#include <system_error>

namespace sim {

namespace {

const wxString kVersionEntryName = "version";

// False when the entry holds more than the bound or its data is damaged (wx reports a CRC
// mismatch as a read error at the entry's end).
bool ReadBounded(wxZipInputStream& zip, std::string& data)
{
    char chunk[4096];
    do {
        zip.Read(chunk, sizeof chunk);
        data.append(chunk, zip.LastRead());
        if (data.size() > kMaxOsVersionBytes)
            return false;
    } while (zip.LastRead() > 0 && zip.IsOk());
    return zip.GetLastError() == wxSTREAM_EOF || zip.GetLastError() == wxSTREAM_NO_ERROR;
}

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find_first_of("\r\n"));
}

OsFileVersion ReadVersionEntry(wxZipInputStream& zip, const wxZipEntry& entry)
{
    if (entry.GetSize() > static_cast<wxFileOffset>(kMaxOsVersionBytes))
        return {OsFileCheck::VersionTooLarge, {}};
    std::string data;
    if (!ReadBounded(zip, data)) {
        const bool tooLarge = data.size() > kMaxOsVersionBytes;
        return {tooLarge ? OsFileCheck::VersionTooLarge : OsFileCheck::Damaged, {}};
    }
    std::string text = FirstLine(data);
    if (text.empty())
        return {OsFileCheck::NoVersion, {}};
    return {OsFileCheck::Ok, std::move(text)};
}

} // namespace

OsFileVersion ReadOsFileVersion(const std::filesystem::path& file)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return {OsFileCheck::Missing, {}};
    // What the device makes of a bad archive is its answer on the serial line, not the host's log.
    wxLogNull quiet;
    wxFileInputStream stream(wxString::FromUTF8(file.u8string()));
    if (!stream.IsOk())
        return {OsFileCheck::Missing, {}};

    wxZipInputStream zip(stream);
    std::unique_ptr<wxZipEntry> entry;
    while (entry.reset(zip.GetNextEntry()), entry) {
        if (entry->GetName(wxPATH_UNIX) == kVersionEntryName)
            return ReadVersionEntry(zip, *entry);
    }
    // The entries simply ran out (a readable archive), or the archive could not be read at all.
    return {zip.GetLastError() == wxSTREAM_EOF ? OsFileCheck::NoVersion : OsFileCheck::Damaged, {}};
}

} // namespace sim
