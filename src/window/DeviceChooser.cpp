#include "window/DeviceChooser.h"

#include <wx/intl.h>

#include <algorithm>
#include <chrono>

#include "window/AccessibleText.h"

namespace {

// As long as the update engine gives a device to come back from a restart: a chosen device away for
// longer is taken to be unplugged for good.
constexpr auto kRestartGrace = std::chrono::seconds{30};
// How often the absence of a chosen device is looked at while others wait to take its place.
constexpr auto kLookAgainInterval = std::chrono::seconds{1};

bool IsPresent(const DeviceListEntry& entry)
{
    return entry.mode != DeviceMode::Away;
}

wxString ItemText(const DeviceListEntry& entry)
{
    wxString name = entry.serialNumber.empty() ? entry.portName : entry.serialNumber;
    if (name.empty())
        name = "Zephlark";
    if (!entry.version.empty())
        name = wxString::Format(_("%s, OS %s"), name, entry.version);
    switch (entry.mode) {
    case DeviceMode::Serial:
        break;
    case DeviceMode::DataDisk:
        return wxString::Format(_("%s (on its data disk)"), name);
    case DeviceMode::Busy:
        return wxString::Format(_("%s (cannot be opened)"), name);
    case DeviceMode::Away:
        return wxString::Format(_("%s (not connected)"), name);
    }
    return name;
}

} // namespace

DeviceChooser::DeviceChooser(wxWindow* parent, std::function<void()> lookAgain)
    : wxChoice(parent, wxID_ANY), lookAgain(std::move(lookAgain)), lookAgainTimer(this)
{
    // Until there is a second device to choose.
    Hide();
    SetAccessibleText(this, _("Zephlark"),
                      _("The Zephlark that the lamp, the device line and both buttons act on"));
    Bind(wxEVT_CHOICE, &DeviceChooser::OnChoice, this);
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { this->lookAgain(); });
}

void DeviceChooser::ShowEntries(const std::vector<DeviceListEntry>& entries, bool held)
{
    const auto isChosen = [this](const DeviceListEntry& entry) {
        return SameEntry(entry.identity, chosen);
    };
    const auto current = std::find_if(entries.begin(), entries.end(), isChosen);
    const bool othersPresent = std::any_of(entries.begin(), entries.end(), [&](const auto& entry) {
        return IsPresent(entry) && !isChosen(entry);
    });
    if (current == entries.end() || GivesWay(*current, othersPresent, held)) {
        const auto first = std::find_if(entries.begin(), entries.end(), IsPresent);
        chosen = first == entries.end() ? UsbIdentity{} : first->identity;
        awaySince.reset();
    }
    // Only while waiting out a restart with another device ready to take the chosen one's place.
    if (awaySince && othersPresent && !leftAlone)
        lookAgainTimer.Start(std::chrono::milliseconds{kLookAgainInterval}.count());
    else
        lookAgainTimer.Stop();
    ShowItems(entries);
}

bool DeviceChooser::GivesWay(const DeviceListEntry& entry, bool othersPresent, bool held)
{
    if (IsPresent(entry) || held) {
        awaySince.reset();
        return false;
    }
    if (!awaySince) {
        awaySince = TheClock().Now();
        leftAlone = !othersPresent;
    }
    if (!othersPresent)
        return false;
    // One device after another, as on a service desk: the newcomer is shown at once, as the window
    // always did with one device.
    return leftAlone || TheClock().Now() - *awaySince >= kRestartGrace;
}

void DeviceChooser::ShowItems(const std::vector<DeviceListEntry>& entries)
{
    wxArrayString texts;
    listed.clear();
    for (const DeviceListEntry& entry : entries) {
        texts.push_back(ItemText(entry));
        listed.push_back(entry.identity);
    }
    // Filled again only when a text changed: a list refilled under an open popup closes it.
    if (texts != GetStrings())
        Set(texts);
    const auto chosenItem = std::find_if(
        listed.begin(), listed.end(), [this](const auto& item) { return SameEntry(item, chosen); });
    SetSelection(chosenItem == listed.end() ? wxNOT_FOUND
                                            : static_cast<int>(chosenItem - listed.begin()));
    Show(entries.size() > 1);
}

void DeviceChooser::OnChoice(wxCommandEvent&)
{
    const int item = GetSelection();
    if (item == wxNOT_FOUND || static_cast<size_t>(item) >= listed.size())
        return;
    chosen = listed[static_cast<size_t>(item)];
    awaySince.reset();
    lookAgain();
}
