// The window in the desktop's language. CTest runs this program twice: under a German desktop
// (LANG=de_DE.UTF-8), where the texts must come out German from the build tree's catalog, and
// under an English one, where they must stay as written.

#include <wx/button.h>
#include <wx/translation.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "window/DesktopLanguage.h"
#include "DeviceAccessReport.h"
#include "update/FirmwareUpdate.h"
#include "MainFrame.h"
#include "WaitFor.h"
#include "sim/SimPlatform.h"

namespace {

class DesktopLanguage : public testing::Test
{
protected:
    DesktopLanguage()
    {
        sim::Reset();
        UseDesktopLanguage();
        frame = new MainFrame("Zephlark Utility");
        frame->Show();
    }
    ~DesktopLanguage() override
    {
        frame->Close(true);
        WaitFor("the window to go", [] { return wxTopLevelWindows.empty(); });
        wxTranslations::Set(nullptr);
        sim::Reset();
    }

    wxString FirstButtonLabel() const
    {
        for (wxWindow* child : frame->GetChildren())
            if (auto* button = dynamic_cast<wxButton*>(child))
                return button->GetLabel();
        return wxString();
    }

    MainFrame* frame = nullptr;
};

TEST_F(DesktopLanguage, WindowMenuAndUpdateResultSpeakIt)
{
    struct ShownText
    {
        const char* what;
        std::function<wxString()> shown;
        std::string english;
        std::string german;
    };
    const ShownText texts[] = {
        {"the first button", [this] { return FirstButtonLabel(); }, "Upgrade Firmware...",
         "Firmware aktualisieren..."},
        // From the platform layer, which the window's catalog covers too.
        {"the device access report", [] { return DeviceAccessSummary(0); }, "Nothing to fix.",
         "Nichts zu beheben."},
        // No device is plugged in: the update ends at its first check.
        {"an update's result",
         [this] { return frame->UpdateFirmware("ZephlarkOS.zlos", "", false).text; },
         "Update Error\n\nDevice version could not be determined.",
         "Aktualisierungsfehler\n\nDie Version des Geräts konnte nicht ermittelt werden."},
    };
    const bool germanDesktop = wxString(wxGetenv("LANG")).StartsWith("de");
    for (const ShownText& text : texts)
        EXPECT_EQ(text.shown().utf8_string(), germanDesktop ? text.german : text.english)
            << text.what;
}

} // namespace
