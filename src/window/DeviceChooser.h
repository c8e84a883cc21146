#pragma once

// The choice of device above the lamp, shown only while more than one Zephlark is listed: each by
// its serial number and version. The chosen device stays chosen while it restarts; gone for good
// while others are plugged in, the first of them takes its place.

#include <wx/choice.h>
#include <wx/timer.h>

#include <functional>
#include <optional>
#include <vector>

#include "DeviceList.h"
#include "MonotonicClock.h"

class DeviceChooser : public wxChoice
{
public:
    // lookAgain runs when the user chose a device and, while the chosen one is away, now and then
    // until it is back or its place is given to another.
    DeviceChooser(wxWindow* parent, std::function<void()> lookAgain);

    // Lists the entries, shown while there are several, and settles the choice. While held (an
    // update runs), the chosen device stays chosen however long it is away.
    void ShowEntries(const std::vector<DeviceListEntry>& entries, bool held);
    // Empty until a device was listed.
    const UsbIdentity& Chosen() const { return chosen; }

private:
    void OnChoice(wxCommandEvent& event);
    // Whether the chosen device, listed as entry, is to give way to another present now.
    [[nodiscard]] bool GivesWay(const DeviceListEntry& entry, bool othersPresent, bool held);
    void ShowItems(const std::vector<DeviceListEntry>& entries);

    std::function<void()> lookAgain;
    UsbIdentity chosen;
    std::vector<UsbIdentity> listed;                    // in the order of the items
    std::optional<MonotonicClock::TimePoint> awaySince; // of the chosen device
    bool leftAlone = false; // the chosen device went away while no other was plugged in
    wxTimer lookAgainTimer;
};
