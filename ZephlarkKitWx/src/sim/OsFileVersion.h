#pragma once

// How the device looks at an OS file it is told to install: a ZIP archive whose root entry
// "version" names the system inside. The device keeps the first line of that text as its new
// version, since its version report is line-based.

#include <cstddef>
#include <filesystem>
#include <string>

namespace sim {

// A larger "version" entry is no version text; the device stops reading rather than fill its
// memory.
inline constexpr size_t kMaxOsVersionBytes = 64 * 1024;

enum class OsFileCheck
{
    Ok,
    Missing,         // no such file, or it cannot be opened
    Damaged,         // not a ZIP archive, or one that cannot be read
    NoVersion,       // no root "version" entry, or its first line is empty
    VersionTooLarge, // the entry is larger than kMaxOsVersionBytes
};

struct OsFileVersion
{
    OsFileCheck check = OsFileCheck::Missing;
    std::string text; // the entry's first line, without its line end; empty unless Ok
};

OsFileVersion ReadOsFileVersion(const std::filesystem::path& file);

} // namespace sim
