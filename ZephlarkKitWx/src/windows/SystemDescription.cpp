#include "SystemDescription.h"

#include <wx/utils.h>

// Both ask Windows itself: "Windows 10 (build 19045), 64-bit edition, x64".
wxString DescribeSystem()
{
    return wxGetOsDescription() + ", " + wxGetCpuArchitectureName();
}
