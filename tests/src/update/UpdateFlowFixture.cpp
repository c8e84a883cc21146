#include "UpdateFlowFixture.h"

#include <wx/app.h>
#include <wx/dir.h>
#include <wx/ffile.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace {

// Outlives every test: the simulated device's background thread may read it at any time.
VirtualClock virtualClock;

size_t DeviceOutputWaiting(size_t device)
{
    size_t waiting = 0;
    sim::WithDevice([&](sim::SimDevice& d) { waiting = d.PendingOutput(); }, device);
    return waiting;
}

} // namespace

SimUpdateTest::SimUpdateTest(size_t devices)
    : readerBehind([] { return DeviceOutputWaiting(0) > 0; })
{
    SetClock(&virtualClock);
    // Before time moves on, the reader takes everything the device said: a device that leaves USB
    // drops what was not read, and real time is what the reader runs on.
    virtualClock.SetCatchUp([this] {
        WaitUntil(
            "the reader to take the device's output", [this] { return !readerBehind(); },
            std::chrono::seconds(2));
    });
    sim::Reset(devices);
    sim::Plug();
    char pattern[] = "/tmp/zephlark-update-XXXXXX";
    folder = wxString::FromUTF8(mkdtemp(pattern));
    // Each test's journal, and none from an earlier one.
    setenv("XDG_STATE_HOME", (folder + "/state").utf8_str(), 1);
}

SimUpdateTest::~SimUpdateTest()
{
    sim::Reset();
    virtualClock.SetCatchUp(nullptr);
    SetClock(nullptr);
    wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE);
}

// A second device waits unplugged.
UpdateFlow::UpdateFlow() : SimUpdateTest(2)
{
    // Only the port this connection holds is read: a device beside it, or one that came in its
    // place, talks to nobody.
    readerBehind = [this] {
        return connection && connection->IsPortOpen() && DeviceOutputWaiting(updated) > 0;
    };
    connection->RefreshDeviceConnections();
    EXPECT_TRUE(WaitFor("the device to be identified",
                        [this] { return connection->IsDeviceIdentified(); }));
}

void SimUpdateTest::Configure(const std::function<void(sim::DeviceSettings&)>& change)
{
    sim::WithDevice([&](sim::SimDevice& device) { change(device.Settings()); });
}

wxString SimUpdateTest::OsFile(const wxString& versionText, const wxString& name)
{
    const wxString path = folder + "/" + name;
    EXPECT_TRUE(sim::WriteSampleOsFile(path, versionText));
    return path;
}

wxString SimUpdateTest::KeyFile(const wxString& name)
{
    const wxString path = folder + "/" + name;
    wxFFile(path, "w").Write("key material");
    return path;
}

wxString UpdateFlow::Update(const wxString& osPath, const wxString& keyPath, bool allowOlder)
{
    result = FirmwareUpdate(*connection, progress).Run(osPath, keyPath, allowOlder);
    return result.text;
}

void UpdateFlow::StartAgain()
{
    connection.reset(); // the port is the process's: the old one lets go of it first
    connection = std::make_unique<DeviceConnection>(nullptr);
    Await("a Zephlark",
          [this] { return connection->IsDeviceIdentified() || connection->HasDataDisk(); });
}

void UpdateFlow::Await(const char* what, const std::function<bool()>& condition)
{
    for (int poll = 0; poll < 600; ++poll) {
        if (condition())
            return;
        wxAppConsole::GetInstance()->Yield(false); // the reader's lines, the version report
        TheClock().WaitForEvents(std::chrono::milliseconds{100});
    }
    ADD_FAILURE() << "no " << what << " within a minute";
}

bool SimUpdateTest::JournalKept() const
{
    return wxFileExists(folder + "/state/zephlark-utility/update-journal-" + updatedSerial);
}

void SimUpdateTest::LetTimePass(MonotonicClock::Duration d)
{
    for (auto end = TheClock().Now() + d; TheClock().Now() < end;)
        TheClock().WaitForEvents(std::chrono::milliseconds{100});
}

std::vector<wxString> SimUpdateTest::DiskFiles(size_t device)
{
    std::string disk;
    sim::WithDevice([&](sim::SimDevice& d) { disk = d.Settings().diskFolder.string(); }, device);
    std::vector<wxString> names;
    wxDir dir;
    if (disk.empty() || !wxDirExists(disk) || !dir.Open(disk))
        return names;
    wxString name;
    for (bool more = dir.GetFirst(&name); more; more = dir.GetNext(&name))
        names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> SimUpdateTest::DeviceCommands()
{
    std::vector<std::string> commands;
    sim::WithDevice([&](sim::SimDevice& device) { commands = device.Commands(); }, updated);
    return commands;
}
