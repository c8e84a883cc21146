// The window in the desktop's language. CTest runs this program twice: under a German desktop
// (LANG=de_DE.UTF-8), where the texts must come out German from the build tree's catalog, and
// under an English one, where they must stay as written.

#include <wx/window.h>
#include <wx/translation.h>

#include <gtest/gtest.h>

#include "window/DesktopLanguage.h"
#include "DeviceAccessReport.h"
#include "update/FirmwareUpdate.h"
#include "MainFrame.h"
#include "WaitFor.h"
#include "sim/SimPlatform.h"

namespace {

TEST(DesktopLanguage, WindowMenuAndUpdateResultSpeakIt)
{
    sim::Reset();
    UseDesktopLanguage();
    auto* frame = new MainFrame("Zephlark Utility");
    frame->Show();
    const bool german = wxString(wxGetenv("LANG")).StartsWith("de");
    EXPECT_NE(wxWindow::FindWindowByLabel(german ? wxString::FromUTF8("Firmware aktualisieren...")
                                                 : "Upgrade Firmware...",
                                          frame),
              nullptr);
    // From the platform layer, which the window's catalog covers too.
    EXPECT_EQ(DeviceAccessSummary(0).utf8_string(),
              german ? "Nichts zu beheben." : "Nothing to fix.");
    // No device is plugged in: the update ends at its first check.
    EXPECT_EQ(frame->UpdateFirmware("ZephlarkOS.zlos", "", false).text.utf8_string(),
              german
                  ? "Aktualisierungsfehler\n\nDie Version des Geräts konnte nicht ermittelt werden."
                  : "Update Error\n\nDevice version could not be determined.");
    frame->Close(true);
    WaitFor("the window to go", [] { return wxTopLevelWindows.empty(); });
    wxTranslations::Set(nullptr);
}

} // namespace
