#include "sim/SimWorld.h"

#include <wx/app.h>
#include <wx/log.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace sim {

namespace {

// While actions are scheduled the ticker looks at the clock this often. It cannot sleep until
// the next one is due: a virtual clock moves when a test says so, not with real time.
constexpr auto kTickInterval = std::chrono::milliseconds{10};

// The demo starts with the device plugged in; ZEPHLARK_SIM_UNPLUGGED=1 starts it unplugged.
bool PluggedAtProcessStart()
{
    const char* unplugged = std::getenv("ZEPHLARK_SIM_UNPLUGGED");
    return !(unplugged && std::strcmp(unplugged, "1") == 0);
}

std::filesystem::path MakeTempFolder()
{
    std::error_code error;
    std::string pattern =
        (std::filesystem::temp_directory_path(error) / "zephlark-sim-disk-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        wxLogMessage("Failed to create the simulated data disk folder %s: %s", pattern,
                     std::strerror(errno));
        return {};
    }
    return pattern;
}

// "simACM0" -> "simACM1", "sim" -> "sim1".
wxString NextPortName(const wxString& name)
{
    size_t digitsAt = name.length();
    while (digitsAt > 0 && wxIsdigit(name[digitsAt - 1]))
        --digitsAt;
    unsigned long number = 0;
    if (!name.Mid(digitsAt).ToULong(&number))
        return name + "1";
    return name.Left(digitsAt) + wxString::Format("%lu", number + 1);
}

} // namespace

World& World::Get()
{
    static World world;
    return world;
}

World::World()
{
    Reset(PluggedAtProcessStart());
    ticker = std::thread([this] { RunTicker(); });
}

World::~World()
{
    {
        std::lock_guard<std::mutex> guard(mutex);
        stopping = true;
    }
    changed.notify_all();
    ticker.join();
    std::error_code ignored;
    if (!defaultDiskFolder.empty())
        std::filesystem::remove_all(defaultDiskFolder, ignored);
}

void World::Reset(bool plugged)
{
    const UsbFace before = device ? device->Face() : UsbFace::None;
    port = {};
    baseName = kDefaultPortName;
    presentName = baseName;
    failingOpens = 0;
    keepRemovedPortListed = false;
    portHangsUp = true;
    written.clear();
    lastDiskLabel.clear();
    EmptyDefaultDiskFolder();

    device = std::make_unique<SimDevice>();
    device->SetPlugged(plugged);
    listedName = plugged ? presentName : wxString();
    device->SetFaceListener([this] { OnFaceChanged(); });
    if (device->Face() != before)
        PostNotices();
}

bool World::PortHungUp() const
{
    return device->Face() != UsbFace::Serial || device->SerialSession() != port.session;
}

void World::SetPortName(const wxString& name)
{
    baseName = name;
    device->Reenumerate();
}

UsbIdentity World::Identity() const
{
    return {wxString::FromUTF8(device->Settings().version.serialNumber), "sim-0"};
}

void World::OnFaceChanged()
{
    // As on Linux, a device that comes back while the host still holds its old port open cannot
    // have the old name, so it gets the next one; the host sees a new port and reconnects.
    if (device->Face() == UsbFace::Serial)
        presentName = port.open && port.name == baseName ? NextPortName(baseName) : baseName;
    if (device->Face() == UsbFace::Serial)
        listedName = presentName;
    else if (!keepRemovedPortListed)
        listedName.clear();
    // Made only when a disk is first needed, so that a run that never sees one leaves nothing.
    if (device->Face() == UsbFace::Disk && device->Settings().diskFolder.empty()) {
        if (defaultDiskFolder.empty())
            defaultDiskFolder = MakeTempFolder();
        device->Settings().diskFolder = defaultDiskFolder;
    }
    PostNotices();
}

void World::PostNotices()
{
    watches.erase(std::remove_if(watches.begin(), watches.end(),
                                 [](const auto& watch) { return watch.expired(); }),
                  watches.end());
    // The console application of a test has no wxApp, but queues calls all the same.
    wxAppConsole* app = wxAppConsole::GetInstance();
    if (!app)
        return;
    for (const auto& watch : watches) {
        // Looked up again on the GUI thread: a watch destroyed meanwhile gets nothing.
        app->CallAfter([watch] {
            if (const auto onChange = watch.lock())
                (*onChange)();
        });
    }
}

void World::RunTicker()
{
    // Timed device actions must happen even when the host touches nothing, as after a factory
    // reset: the device comes back on its own and the host learns of it by a notice.
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopping) {
        if (device->HasScheduledActions())
            changed.wait_for(lock, kTickInterval);
        else
            changed.wait(lock);
        if (device->RunDueActions() > 0)
            changed.notify_all();
    }
}

void World::EmptyDefaultDiskFolder()
{
    if (defaultDiskFolder.empty())
        return;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(defaultDiskFolder, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
}

WorldAccess::WorldAccess() : world(World::Get()), lock(world.mutex)
{
    world.device->RunDueActions();
}

WorldAccess::~WorldAccess()
{
    world.changed.notify_all();
}

void WorldAccess::WaitUntil(std::chrono::steady_clock::time_point deadline)
{
    world.changed.wait_until(lock, deadline);
    world.device->RunDueActions();
}

} // namespace sim
