#include "sim/SampleOsFile.h"

#include <wx/log.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

namespace sim {

namespace {

// Large enough that the image is compressed in more than one block, as a real one would be.
constexpr size_t kSystemImageBytes = 96 * 1024;

std::string SystemImage()
{
    std::string image(kSystemImageBytes, '\0');
    uint32_t state = 0x2545f491;
    for (char& byte : image) {
        // A small xorshift keeps the image the same on every run and hard to compress away.
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state & 0xff);
    }
    return image;
}

} // namespace

bool WriteZipArchive(const wxString& path, const std::vector<ArchiveEntry>& entries)
{
    wxFileOutputStream file(path);
    if (!file.IsOk()) {
        wxLogMessage("Failed to create the OS file %s.", path);
        return false;
    }
    wxZipOutputStream zip(file);
    for (const ArchiveEntry& entry : entries) {
        if (!zip.PutNextEntry(entry.name) || !zip.WriteAll(entry.data.data(), entry.data.size())) {
            wxLogMessage("Failed to write the entry \"%s\" of the OS file %s.", entry.name, path);
            return false;
        }
    }
    if (!zip.Close() || !file.Close()) {
        wxLogMessage("Failed to finish the OS file %s.", path);
        return false;
    }
    return true;
}

bool WriteSampleOsFile(const wxString& path, const wxString& versionText)
{
    const wxScopedCharBuffer version = versionText.utf8_str();
    return WriteZipArchive(path, {{"system.img", SystemImage()},
                                  {"version", std::string(version.data(), version.length())}});
}

} // namespace sim
