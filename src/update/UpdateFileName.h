#pragma once

#include <wx/string.h>

// The name under which an update file is copied onto the device's FAT data disk and named in the
// install command. Whitespace, control characters, characters FAT refuses and non-ASCII
// characters each become "_": they would split the command line or not survive the disk. A
// Windows device name (CON, NUL, COM1...) gets a "_" after its base name ("CON_.zlos").
// Empty when even the cleaned name cannot be carried (nothing left but dots, or too long for the
// disk once the copy's temporary suffix is added).
wxString CleanUpdateFileName(const wxString& fullName);
