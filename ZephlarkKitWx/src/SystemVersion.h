#pragma once

#include <wx/string.h>

#include <string>
#include <vector>

// A device OS version such as "1.4.2" or "2.5a1", parsed so that two versions can be ordered.
// Numbers are kept as their digit strings: a version from a file is untrusted input, and a
// component too long for an integer must still compare correctly, not wrap or fail.
class SystemVersion
{
public:
    explicit SystemVersion(const wxString& text);

    // 1 when this version is newer than other, -1 when older, 0 when the same.
    int Compare(SystemVersion other) const;

private:
    std::vector<std::string> components; // digit strings as written, leading zeros kept
    std::string suffixA = "0";           // the number after "a" ("1" for a bare letter)
    std::string suffixB = "0";
    std::string suffixD = "0";

    int CompareSuffixes(const SystemVersion& other) const;
};
