#include "MockUDisks.h"

#include <algorithm>
#include <filesystem>

#include "udisks2-mock.h"

namespace {

constexpr auto kBusName = "org.freedesktop.UDisks2";
constexpr auto kErrorFailed = "org.freedesktop.UDisks2.Error.Failed";
const std::string kRootPath = "/org/freedesktop/UDisks2";
const std::string kDrivesPath = kRootPath + "/drives/";
const std::string kBlocksPath = kRootPath + "/block_devices/";

std::string NameOf(const std::string& objectPath)
{
    return objectPath.substr(objectPath.rfind('/') + 1);
}

void SetMountPoint(MockUDisksFilesystem* filesystem, const std::string& mountPoint)
{
    const char* points[] = {mountPoint.c_str(), nullptr};
    mock_udisks_filesystem_set_mount_points(filesystem, mountPoint.empty() ? points + 1 : points);
}

bool IsMounted(MockUDisksFilesystem* filesystem)
{
    const auto* points = mock_udisks_filesystem_get_mount_points(filesystem);
    return points && points[0];
}

void Fail(GDBusMethodInvocation* call, const std::string& message)
{
    g_dbus_method_invocation_return_dbus_error(call, kErrorFailed, message.c_str());
}

struct BlockOnDrive
{
    std::string objectPath;
    MockUDisksFilesystem* filesystem; // owned by the manager while the object is exported
};

std::vector<BlockOnDrive> BlocksOn(GDBusObjectManagerServer* manager, const std::string& drivePath)
{
    std::vector<BlockOnDrive> blocks;
    GList* objects = g_dbus_object_manager_get_objects(G_DBUS_OBJECT_MANAGER(manager));
    for (GList* item = objects; item; item = item->next) {
        auto* object = MOCK_UDISKS_OBJECT(item->data);
        auto* block = mock_udisks_object_peek_block(object);
        if (block && drivePath == mock_udisks_block_get_drive(block))
            blocks.push_back({g_dbus_object_get_object_path(G_DBUS_OBJECT(object)),
                              mock_udisks_object_peek_filesystem(object)});
    }
    g_list_free_full(objects, g_object_unref);
    return blocks;
}

void Export(GDBusObjectManagerServer* manager, MockUDisksObjectSkeleton* object)
{
    g_dbus_object_manager_server_export(manager, G_DBUS_OBJECT_SKELETON(object));
    g_object_unref(object);
}

} // namespace

MockUDisks::MockUDisks(std::string mountRoot) : mountRoot(std::move(mountRoot))
{
    service.Run([this] { manager = g_dbus_object_manager_server_new(kRootPath.c_str()); });
}

MockUDisks::~MockUDisks()
{
    service.Run([this] {
        g_dbus_object_manager_server_set_connection(manager, nullptr);
        g_object_unref(manager);
    });
}

bool MockUDisks::Start(const std::string& busAddress)
{
    return service.Start(busAddress, kBusName, [this](GDBusConnection* connection) {
        g_dbus_object_manager_server_set_connection(manager, connection);
        return true;
    });
}

void MockUDisks::Add(const MockDrive& wanted)
{
    service.Run([&] {
        auto* drive = mock_udisks_drive_skeleton_new();
        mock_udisks_drive_set_vendor(drive, wanted.vendor.c_str());
        mock_udisks_drive_set_model(drive, wanted.model.c_str());
        mock_udisks_drive_set_connection_bus(drive, wanted.connectionBus.c_str());
        mock_udisks_drive_set_ejectable(drive, wanted.ejectable);
        mock_udisks_drive_set_can_power_off(drive, wanted.canPowerOff);
        g_signal_connect(drive, "handle-eject", G_CALLBACK(OnEject), this);
        g_signal_connect(drive, "handle-power-off", G_CALLBACK(OnPowerOff), this);

        auto* object = mock_udisks_object_skeleton_new((kDrivesPath + wanted.name).c_str());
        mock_udisks_object_skeleton_set_drive(object, drive);
        g_object_unref(drive);
        Export(manager, object);
    });
}

void MockUDisks::Add(const MockFilesystem& wanted)
{
    if (!wanted.mountPoint.empty())
        std::filesystem::create_directories(wanted.mountPoint);
    service.Run([&] {
        auto* block = mock_udisks_block_skeleton_new();
        mock_udisks_block_set_device(block, ("/dev/" + wanted.name).c_str());
        mock_udisks_block_set_drive(block, (kDrivesPath + wanted.drive).c_str());
        mock_udisks_block_set_id_usage(block, "filesystem");
        mock_udisks_block_set_id_label(block, wanted.label.c_str());
        mock_udisks_block_set_hint_ignore(block, wanted.hintIgnore);

        auto* filesystem = mock_udisks_filesystem_skeleton_new();
        SetMountPoint(filesystem, wanted.mountPoint);
        g_signal_connect(filesystem, "handle-mount", G_CALLBACK(OnMount), this);
        g_signal_connect(filesystem, "handle-unmount", G_CALLBACK(OnUnmount), this);

        auto* object = mock_udisks_object_skeleton_new((kBlocksPath + wanted.name).c_str());
        mock_udisks_object_skeleton_set_block(object, block);
        mock_udisks_object_skeleton_set_filesystem(object, filesystem);
        g_object_unref(block);
        g_object_unref(filesystem);
        Export(manager, object);
    });
}

void MockUDisks::Refuse(const std::string& method, const std::string& message)
{
    std::lock_guard<std::mutex> guard(lock);
    refusals[method] = message;
}

std::vector<std::string> MockUDisks::Calls() const
{
    std::lock_guard<std::mutex> guard(lock);
    return calls;
}

void MockUDisks::OnDriveRemoved(std::function<void(const std::string& drive)> action)
{
    std::lock_guard<std::mutex> guard(lock);
    driveRemoved = std::move(action);
}

bool MockUDisks::RefusedAfterRecording(const char* method, GDBusMethodInvocation* call)
{
    std::lock_guard<std::mutex> guard(lock);
    calls.push_back(std::string(method) + " " +
                    NameOf(g_dbus_method_invocation_get_object_path(call)));
    const auto refusal = refusals.find(method);
    if (refusal == refusals.end())
        return false;
    Fail(call, refusal->second);
    return true;
}

bool MockUDisks::HasMountedFilesystem(const std::string& drivePath) const
{
    const auto blocks = BlocksOn(manager, drivePath);
    return std::any_of(blocks.begin(), blocks.end(), [](const BlockOnDrive& block) {
        return block.filesystem && IsMounted(block.filesystem);
    });
}

void MockUDisks::Remove(const std::string& drivePath)
{
    for (const auto& block : BlocksOn(manager, drivePath))
        g_dbus_object_manager_server_unexport(manager, block.objectPath.c_str());
    g_dbus_object_manager_server_unexport(manager, drivePath.c_str());
    std::function<void(const std::string&)> action;
    {
        std::lock_guard<std::mutex> guard(lock);
        action = driveRemoved;
    }
    if (action)
        action(NameOf(drivePath));
}

int MockUDisks::OnMount(MockUDisksFilesystem* filesystem, GDBusMethodInvocation* call, GVariant*,
                        MockUDisks* self)
{
    if (self->RefusedAfterRecording("Mount", call))
        return TRUE;
    if (IsMounted(filesystem)) {
        Fail(call, "Filesystem is already mounted");
        return TRUE;
    }
    const auto mountPoint =
        self->MountPointFor(NameOf(g_dbus_method_invocation_get_object_path(call)));
    std::filesystem::create_directories(mountPoint);
    mock_udisks_filesystem_complete_mount(filesystem, call, mountPoint.c_str());
    SetMountPoint(filesystem, mountPoint);
    return TRUE;
}

int MockUDisks::OnUnmount(MockUDisksFilesystem* filesystem, GDBusMethodInvocation* call, GVariant*,
                          MockUDisks* self)
{
    if (self->RefusedAfterRecording("Unmount", call))
        return TRUE;
    if (!IsMounted(filesystem)) {
        Fail(call, "Filesystem is not mounted");
        return TRUE;
    }
    SetMountPoint(filesystem, "");
    mock_udisks_filesystem_complete_unmount(filesystem, call);
    return TRUE;
}

int MockUDisks::OnEject(MockUDisksDrive* drive, GDBusMethodInvocation* call, GVariant*,
                        MockUDisks* self)
{
    if (self->RefusedAfterRecording("Eject", call))
        return TRUE;
    const std::string drivePath = g_dbus_method_invocation_get_object_path(call);
    mock_udisks_drive_complete_eject(drive, call);
    self->Remove(drivePath);
    return TRUE;
}

int MockUDisks::OnPowerOff(MockUDisksDrive* drive, GDBusMethodInvocation* call, GVariant*,
                           MockUDisks* self)
{
    if (self->RefusedAfterRecording("PowerOff", call))
        return TRUE;
    const std::string drivePath = g_dbus_method_invocation_get_object_path(call);
    if (self->HasMountedFilesystem(drivePath)) {
        Fail(call, "Error powering off drive: a filesystem on it is mounted");
        return TRUE;
    }
    mock_udisks_drive_complete_power_off(drive, call);
    self->Remove(drivePath);
    return TRUE;
}
