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

constexpr size_t kMaxDevices = 99;
constexpr size_t kFirstSerialNumber = 123;

// The demo starts with the device plugged in; ZEPHLARK_SIM_UNPLUGGED=1 starts it unplugged.
bool PluggedAtProcessStart()
{
    const char* unplugged = std::getenv("ZEPHLARK_SIM_UNPLUGGED");
    return !(unplugged && std::strcmp(unplugged, "1") == 0);
}

// ZEPHLARK_SIM_DEVICES=N starts with N devices; one when unset or not a count from 1 to 99.
size_t DevicesAtProcessStart()
{
    const char* text = std::getenv("ZEPHLARK_SIM_DEVICES");
    unsigned long count = 0;
    if (!text || !wxString(text).ToULong(&count) || count < 1 || count > kMaxDevices)
        return 1;
    return count;
}

// ZL-000123, ZL-000124, ...: the first is the one device's number of old.
std::string SerialNumberOf(size_t unit)
{
    return wxString::Format("ZL-%06zu", kFirstSerialNumber + unit).ToStdString();
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

bool Unit::PortHungUp() const
{
    return device->Face() != UsbFace::Serial || device->SerialSession() != port.session;
}

World::World()
{
    Reset(PluggedAtProcessStart(), DevicesAtProcessStart());
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
    for (const auto& folder : diskFolders) {
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
    }
}

void World::Reset(bool plugged, size_t count)
{
    const UsbFace start = plugged ? UsbFace::Serial : UsbFace::None;
    bool faceChanged = start != UsbFace::None && count > units.size();
    for (size_t index = 0; index < units.size(); ++index) {
        const UsbFace after = index < count ? start : UsbFace::None;
        faceChanged = faceChanged || units[index].device->Face() != after;
    }
    EmptyDiskFolders();
    diskFolders.resize(std::max(diskFolders.size(), count));

    units.clear();
    units.resize(count);
    for (size_t index = 0; index < count; ++index) {
        Unit& unit = units[index];
        unit.baseName = wxString::Format("simACM%zu", index);
        unit.presentName = unit.baseName;
        unit.listedName = plugged ? unit.presentName : wxString();
        unit.device = std::make_unique<SimDevice>();
        unit.device->Settings().version.serialNumber = SerialNumberOf(index);
        unit.device->SetPlugged(plugged);
        unit.device->SetFaceListener([this, index] { OnFaceChanged(index); });
    }
    if (faceChanged)
        PostNotices();
}

void World::SetPortName(size_t unit, const wxString& name)
{
    units.at(unit).baseName = name;
    units.at(unit).device->Reenumerate();
}

UsbIdentity World::Identity(size_t unit) const
{
    const DeviceSettings& settings = units.at(unit).device->Settings();
    return {settings.usbSerialString ? wxString::FromUTF8(settings.version.serialNumber)
                                     : wxString(),
            wxString::Format("sim-%zu", unit)};
}

std::optional<size_t> World::UnitNamed(const wxString& portName) const
{
    for (size_t index = 0; index < units.size(); ++index) {
        if (units[index].presentName == portName)
            return index;
    }
    return std::nullopt;
}

// As on Linux, a device that comes back while the host still holds its old port open cannot have
// the old name, so it gets the next one no other device has; the host sees a new port and
// reconnects.
wxString World::FreeNameAfter(const wxString& name) const
{
    wxString next = NextPortName(name);
    const auto taken = [&](const wxString& candidate) {
        return std::any_of(units.begin(), units.end(), [&](const Unit& unit) {
            return unit.baseName == candidate || unit.presentName == candidate;
        });
    };
    while (taken(next))
        next = NextPortName(next);
    return next;
}

void World::OnFaceChanged(size_t index)
{
    Unit& unit = units[index];
    const UsbFace face = unit.device->Face();
    if (face == UsbFace::Serial) {
        const bool oldNameHeld = unit.port.open && unit.port.name == unit.baseName;
        unit.presentName = oldNameHeld ? FreeNameAfter(unit.baseName) : unit.baseName;
        unit.listedName = unit.presentName;
    } else if (!unit.keepRemovedPortListed) {
        unit.listedName.clear();
    }
    // Made only when a disk is first needed, so that a run that never sees one leaves nothing.
    if (face == UsbFace::Disk && unit.device->Settings().diskFolder.empty()) {
        if (diskFolders[index].empty())
            diskFolders[index] = MakeTempFolder();
        unit.device->Settings().diskFolder = diskFolders[index];
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
        const bool scheduled = std::any_of(units.begin(), units.end(), [](const Unit& unit) {
            return unit.device->HasScheduledActions();
        });
        if (scheduled)
            changed.wait_for(lock, kTickInterval);
        else
            changed.wait(lock);
        int ran = 0;
        for (Unit& unit : units)
            ran += unit.device->RunDueActions();
        if (ran > 0)
            changed.notify_all();
    }
}

void World::RunDueActions()
{
    for (Unit& unit : units)
        unit.device->RunDueActions();
}

void World::EmptyDiskFolders()
{
    std::error_code ignored;
    for (const auto& folder : diskFolders) {
        if (folder.empty())
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
            std::filesystem::remove_all(entry.path(), ignored);
    }
}

WorldAccess::WorldAccess() : world(World::Get()), lock(world.mutex)
{
    world.RunDueActions();
}

WorldAccess::~WorldAccess()
{
    world.changed.notify_all();
}

void WorldAccess::WaitUntil(std::chrono::steady_clock::time_point deadline)
{
    world.changed.wait_until(lock, deadline);
    world.RunDueActions();
}

} // namespace sim
