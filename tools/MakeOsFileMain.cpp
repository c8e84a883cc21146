// zephlark-make-os-file VERSION OUTPUT: writes a sample OS file for the simulated device, for
// trying an update in the demo build without the device maker's files.

#include <wx/init.h>

#include <cstdio>

#include "sim/SampleOsFile.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: zephlark-make-os-file VERSION OUTPUT.zlos\n"
                   "Writes a ZIP archive whose root entry \"version\" holds VERSION.\n",
                   stderr);
        return 2;
    }
    wxInitializer wx(argc, argv);
    if (!wx.IsOk()) {
        std::fputs("zephlark-make-os-file: wxWidgets could not be initialised\n", stderr);
        return 1;
    }
    return sim::WriteSampleOsFile(wxString::FromUTF8(argv[2]), wxString::FromUTF8(argv[1])) ? 0 : 1;
}
