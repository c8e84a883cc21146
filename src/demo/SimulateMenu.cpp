#include "demo/SimulateMenu.h"

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

bool SettingsSay(const std::function<bool(const sim::DeviceSettings&)>& question)
{
    bool answer = false;
    sim::WithDevice([&](sim::SimDevice& device) { answer = question(device.Settings()); });
    return answer;
}

void ChangeSettings(const std::function<void(sim::DeviceSettings&)>& change)
{
    sim::WithDevice([&](sim::SimDevice& device) { change(device.Settings()); });
}

// The items show the device as it is when the menu opens (a corrupted copy, once spent, is no
// longer checked), and a check item's command toggles the device, not what the item showed.
void AddItem(wxFrame& frame, wxMenu& menu, wxItemKind kind, const wxString& label,
             std::function<void()> command, std::function<bool()> isOn = {})
{
    wxMenuItem* item = menu.Append(wxID_ANY, label, wxString(), kind);
    frame.Bind(
        wxEVT_MENU, [command](wxCommandEvent&) { command(); }, item->GetId());
    if (isOn)
        frame.Bind(
            wxEVT_UPDATE_UI, [isOn](wxUpdateUIEvent& event) { event.Check(isOn()); },
            item->GetId());
}

void TogglePlugged(size_t device)
{
    if (sim::IsPlugged(device))
        sim::Unplug(device);
    else
        sim::Plug(device);
}

// One check item, as ever, for one device; with several, one per device, named by its serial
// number.
void AddPluggedItems(wxFrame& frame, wxMenu& menu)
{
    const size_t count = sim::DeviceCount();
    for (size_t device = 0; device < count; ++device) {
        std::string serialNumber;
        sim::WithDevice(
            [&](sim::SimDevice& model) { serialNumber = model.Settings().version.serialNumber; },
            device);
        const wxString label = count == 1
                                   ? _("Zephlark &Plugged In")
                                   : wxString::Format(_("Zephlark %s Plugged In"), serialNumber);
        AddItem(
            frame, menu, wxITEM_CHECK, label, [device] { TogglePlugged(device); },
            [device] { return sim::IsPlugged(device); });
    }
}

bool DiskIsSlow()
{
    return SettingsSay([](const sim::DeviceSettings& settings) {
        return settings.diskBytesPerSecond == kSlowDiskBytesPerSecond;
    });
}

void ToggleSlowDisk()
{
    ChangeSettings([](sim::DeviceSettings& settings) {
        settings.diskBytesPerSecond = settings.diskBytesPerSecond == kSlowDiskBytesPerSecond
                                          ? sim::DeviceSettings{}.diskBytesPerSecond
                                          : kSlowDiskBytesPerSecond;
    });
}

void SendConsoleLine(wxFrame& frame)
{
    const wxString line = wxGetTextFromUser(_("Line for the Zephlark to send:"),
                                            _("Send Console Line"), wxString(), &frame);
    // Lost, as the device's own lines are, while it is not connected in serial mode.
    if (!line.empty())
        sim::Emit(std::string(line.utf8_str()) + "\r\n");
}

wxMenu* UpdateFailureMenu(wxFrame& frame)
{
    auto* menu = new wxMenu;
    for (const UpdateFailure& failure : kUpdateFailures)
        AddItem(
            frame, *menu, wxITEM_RADIO, wxGetTranslation(failure.label),
            [&failure] {
                ChangeSettings([&](sim::DeviceSettings& settings) { Apply(failure, settings); });
            },
            [&failure] {
                return SettingsSay([&](const sim::DeviceSettings& settings) {
                    return IsInEffect(failure, settings);
                });
            });
    return menu;
}

} // namespace

void AddSimulateMenu(wxFrame& frame)
{
    auto* menu = new wxMenu;
    AddPluggedItems(frame, *menu);
    AddItem(frame, *menu, wxITEM_NORMAL, _("Send Console &Line..."),
            [&frame] { SendConsoleLine(frame); });
    menu->AppendSeparator();
    menu->AppendSubMenu(UpdateFailureMenu(frame), _("&Updates Fail"));
    AddItem(frame, *menu, wxITEM_CHECK, _("&Slow Data Disk"), ToggleSlowDisk, DiskIsSlow);

    // File stays first and Help last, where users of every desktop look for them.
    wxMenuBar* menuBar = frame.GetMenuBar();
    const int help = menuBar->FindMenu(_("&Help"));
    if (help == wxNOT_FOUND)
        menuBar->Append(menu, _("&Simulate"));
    else
        menuBar->Insert(static_cast<size_t>(help), menu, _("&Simulate"));
}
