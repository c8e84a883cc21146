#pragma once

#include <wx/string.h>

// What the update reads from an OS file: the whole text of the ZIP archive's root entry
// "version". Everything else in the archive is the device's business.
enum class FirmwareFileStatus
{
    Ok,
    CannotOpen,
    Invalid
};

// A "version" entry larger than this is no version text: the file is refused rather than read
// into memory at whatever size the archive claims.
constexpr size_t kMaxVersionEntryBytes = 64 * 1024;

// Fills version with the entry's text, unchanged (a trailing line break stays). Invalid when
// the file is no readable ZIP archive, has no root "version" entry, the entry is empty or too
// large, or its data does not match the sizes and checksum the archive declares.
FirmwareFileStatus ReadFirmwareVersion(const wxString& path, wxString& version);
