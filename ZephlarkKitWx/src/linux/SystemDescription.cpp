#include "SystemDescription.h"

#include <wx/ffile.h>
#include <wx/log.h>
#include <wx/tokenzr.h>

#include <sys/utsname.h>

namespace {

// The distribution's own name for itself, from os-release's PRETTY_NAME (quoted as a shell
// would); empty when neither file has one.
wxString DistributionName()
{
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        wxString text;
        wxFFile file;
        {
            wxLogNull quiet; // a missing file is not worth a line of its own
            if (!file.Open(path) || !file.ReadAll(&text, wxConvUTF8))
                continue;
        }
        wxStringTokenizer lines(text, "\n");
        while (lines.HasMoreTokens()) {
            wxString value;
            if (!lines.GetNextToken().StartsWith("PRETTY_NAME=", &value))
                continue;
            if (value.length() >= 2 && (value[0] == '"' || value[0] == '\'') &&
                value.Last() == value[0])
                value = value.Mid(1, value.length() - 2);
            value.Replace("\\", "");
            return value;
        }
    }
    return wxString();
}

} // namespace

wxString DescribeSystem()
{
    utsname system{};
    const wxString kernel = uname(&system) == 0 ? wxString::Format("%s %s, %s", system.sysname,
                                                                   system.release, system.machine)
                                                : wxString("an unknown kernel");
    const wxString distribution = DistributionName();
    return distribution.empty() ? kernel : distribution + ", " + kernel;
}
