// Fuzzes the OS file reader with hostile ZIP archives (lying sizes, bombs, truncated or looping
// directories), each written to a temporary file and read as an update reads it.
//
// Nothing crashes; a version comes out only with Ok and then holds at most 64 KiB. Memory and time
// are bounded by the fuzzer's limits (scripts/fuzz.sh, and the replay's time-out in CTest).

#include <wx/init.h>
#include <wx/log.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "update/FirmwareFile.h"
#include "FuzzProperty.h"

namespace {

// One file per process, rewritten for each input and removed at exit.
struct ScratchFile
{
    ~ScratchFile() { std::filesystem::remove(path); }
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("zephlark-fuzz-" + std::to_string(getpid()) + ".zlos");
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer wx;
    static wxLogNull noArchiveErrors;
    static ScratchFile scratch;
    std::ofstream(scratch.path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    wxString version = "<untouched>";
    const FirmwareFileStatus status = ReadFirmwareVersion(scratch.path.string(), version);
    RequireProperty(status != FirmwareFileStatus::CannotOpen, "a written file can be opened");
    RequireProperty(status == FirmwareFileStatus::Ok ? !version.empty() : version.empty(),
                    "a version comes out only with Ok");
    RequireProperty(version.length() <= kMaxVersionEntryBytes,
                    "the version comes from at most 64 KiB of the entry");
    return 0;
}
