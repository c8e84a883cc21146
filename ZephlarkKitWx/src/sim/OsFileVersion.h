#pragma once

// How the device looks at an OS file it is told to install: a ZIP archive whose root entry
// "version" names the system inside. The device keeps the first line of that text as its new
// version, since its version report is line-based.

#include <filesystem>
#include <optional>
#include <string>

namespace sim {

// The first line of the root "version" entry, without its line end. Nothing when the file is
// missing or no readable archive, or the entry is missing, empty or larger than the device reads.
std::optional<std::string> ReadOsFileVersion(const std::filesystem::path& file);

} // namespace sim
