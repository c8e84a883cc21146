#include "SimulateMenu.h"

#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/textdlg.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "sim/SimDevice.h"
#include "sim/SimPlatform.h"

namespace {

// Slow enough that the demo's sample OS file (about 100 kB) takes about 10 s to copy.
constexpr uint64_t kSlowDiskBytesPerSecond = 10'000;
constexpr uint64_t kFullDiskFreeBytes = 1000;
constexpr uint64_t kCorruptedByteOffset = 10;

// One way for the device to spoil the updates to come. The faults stay until another is chosen,
// but a corrupted copy happens once.
struct UpdateFailure
{
    const char* label; // translated when the menu is built
    sim::InstallFault installFault;
    bool corruptsNextCopy;
    bool diskFull;
};

const UpdateFailure kUpdateFailures[] = {
    {wxTRANSLATE("&None"), sim::InstallFault::None, false, false},
    {wxTRANSLATE("&Unpacking Fails"), sim::InstallFault::FailedStatus, false, false},
    {wxTRANSLATE("Zephlark Reports an &Error"), sim::InstallFault::ErrorLine, false, false},
    {wxTRANSLATE("No &Flash Report (2 Minutes)"), sim::InstallFault::NoFlashReport, false, false},
    {wxTRANSLATE("Next &Copy Reads Back Wrong"), sim::InstallFault::None, true, false},
    {wxTRANSLATE("Data Disk Is &Full"), sim::InstallFault::None, false, true},
};

void Apply(const UpdateFailure& failure, sim::DeviceSettings& settings)
{
    settings.installFault = failure.installFault;
    settings.corruptByteOfNextCopy =
        failure.corruptsNextCopy ? std::optional<uint64_t>{kCorruptedByteOffset} : std::nullopt;
    settings.diskFreeBytes =
        failure.diskFull ? kFullDiskFreeBytes : sim::DeviceSettings{}.diskFreeBytes;
}

bool IsInEffect(const UpdateFailure& failure, const sim::DeviceSettings& settings)
{
    return settings.installFault == failure.installFault &&
           settings.corruptByteOfNextCopy.has_value() == failure.corruptsNextCopy &&
           (settings.diskFreeBytes == kFullDiskFreeBytes) == failure.diskFull;
}

bool DeviceSays(const std::function<bool(sim::DeviceSettings&)>& question)
{
    bool answer = false;
    sim::WithDevice([&](sim::SimDevice& device) { answer = question(device.Settings()); });
    return answer;
}

void ChangeDevice(const std::function<void(sim::DeviceSettings&)>& change)
{
    sim::WithDevice([&](sim::SimDevice& device) { change(device.Settings()); });
}

// The menu's items show the device as it is: a corrupted copy, once spent, is no longer checked.
void BindCheck(wxFrame& frame, wxMenuItem* item, std::function<bool()> isOn)
{
    frame.Bind(
        wxEVT_UPDATE_UI, [isOn](wxUpdateUIEvent& event) { event.Check(isOn()); }, item->GetId());
}

void AddPlugItem(wxFrame& frame, wxMenu& menu)
{
    wxMenuItem* item = menu.AppendCheckItem(wxID_ANY, _("Zephlark &Plugged In"));
    frame.Bind(
        wxEVT_MENU,
        [](wxCommandEvent& event) {
            if (event.IsChecked())
                sim::Plug();
            else
                sim::Unplug();
        },
        item->GetId());
    BindCheck(frame, item, [] { return sim::IsPlugged(); });
}

void AddConsoleLineItem(wxFrame& frame, wxMenu& menu)
{
    wxMenuItem* item = menu.Append(wxID_ANY, _("Send Console &Line..."));
    frame.Bind(
        wxEVT_MENU,
        [&frame](wxCommandEvent&) {
            const wxString line = wxGetTextFromUser(_("Line for the Zephlark to send:"),
                                                    _("Send Console Line"), wxString(), &frame);
            // Lost, as the device's own lines are, while it is not connected in serial mode.
            if (!line.empty())
                sim::Emit(std::string(line.utf8_str()) + "\r\n");
        },
        item->GetId());
}

void AddUpdateFailureItems(wxFrame& frame, wxMenu& menu)
{
    auto* failures = new wxMenu;
    for (const UpdateFailure& failure : kUpdateFailures) {
        wxMenuItem* item = failures->AppendRadioItem(wxID_ANY, wxGetTranslation(failure.label));
        frame.Bind(
            wxEVT_MENU,
            [&failure](wxCommandEvent&) {
                ChangeDevice([&](sim::DeviceSettings& settings) { Apply(failure, settings); });
            },
            item->GetId());
        BindCheck(frame, item, [&failure] {
            return DeviceSays([&](sim::DeviceSettings& s) { return IsInEffect(failure, s); });
        });
    }
    menu.AppendSubMenu(failures, _("&Updates Fail"));
}

void AddSlowDiskItem(wxFrame& frame, wxMenu& menu)
{
    wxMenuItem* item = menu.AppendCheckItem(wxID_ANY, _("&Slow Data Disk"));
    frame.Bind(
        wxEVT_MENU,
        [](wxCommandEvent& event) {
            const uint64_t speed = event.IsChecked() ? kSlowDiskBytesPerSecond
                                                     : sim::DeviceSettings{}.diskBytesPerSecond;
            ChangeDevice(
                [&](sim::DeviceSettings& settings) { settings.diskBytesPerSecond = speed; });
        },
        item->GetId());
    BindCheck(frame, item, [] {
        return DeviceSays(
            [](sim::DeviceSettings& s) { return s.diskBytesPerSecond == kSlowDiskBytesPerSecond; });
    });
}

} // namespace

void AddSimulateMenu(wxFrame& frame)
{
    auto* menu = new wxMenu;
    AddPlugItem(frame, *menu);
    AddConsoleLineItem(frame, *menu);
    menu->AppendSeparator();
    AddUpdateFailureItems(frame, *menu);
    AddSlowDiskItem(frame, *menu);

    // File stays first and Help last, where users of every desktop look for them.
    wxMenuBar* menuBar = frame.GetMenuBar();
    const int help = menuBar->FindMenu(_("&Help"));
    if (help == wxNOT_FOUND)
        menuBar->Append(menu, _("&Simulate"));
    else
        menuBar->Insert(static_cast<size_t>(help), menu, _("&Simulate"));
}
