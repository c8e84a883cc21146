#include "linux/UDisksClient.h"

#include <gio/gio.h>

#include <algorithm>

#include "linux/SystemBus.h"

namespace {

constexpr auto kService = "org.freedesktop.UDisks2";
constexpr auto kManagerPath = "/org/freedesktop/UDisks2";
constexpr auto kObjectManagerInterface = "org.freedesktop.DBus.ObjectManager";
constexpr auto kDriveInterface = "org.freedesktop.UDisks2.Drive";
constexpr auto kBlockInterface = "org.freedesktop.UDisks2.Block";
constexpr auto kFilesystemInterface = "org.freedesktop.UDisks2.Filesystem";

constexpr int kCallTimeoutMs =
    std::chrono::duration_cast<std::chrono::milliseconds>(kUDisksCallTimeout).count();

std::string StringProperty(GVariant* properties, const char* name, const char* format = "&s")
{
    const char* value = nullptr;
    return g_variant_lookup(properties, name, format, &value) ? value : "";
}

bool BoolProperty(GVariant* properties, const char* name)
{
    gboolean value = FALSE;
    return g_variant_lookup(properties, name, "b", &value) && value;
}

// Paths travel as "ay" with a terminating NUL that is not part of the path.
std::string FromBytes(GVariant* bytes)
{
    gsize length = 0;
    const auto* data = static_cast<const char*>(g_variant_get_fixed_array(bytes, &length, 1));
    std::string text(data ? data : "", length);
    text.erase(std::find(text.begin(), text.end(), '\0'), text.end());
    return text;
}

std::string BytesProperty(GVariant* properties, const char* name)
{
    g_autoptr(GVariant) value = g_variant_lookup_value(properties, name, G_VARIANT_TYPE_BYTESTRING);
    return value ? FromBytes(value) : "";
}

std::vector<std::string> BytesListProperty(GVariant* properties, const char* name)
{
    std::vector<std::string> list;
    g_autoptr(GVariant) value =
        g_variant_lookup_value(properties, name, G_VARIANT_TYPE_BYTESTRING_ARRAY);
    for (gsize i = 0; value && i < g_variant_n_children(value); ++i) {
        g_autoptr(GVariant) item = g_variant_get_child_value(value, i);
        list.push_back(FromBytes(item));
    }
    return list;
}

UDisksDrive ParseDrive(const char* objectPath, GVariant* drive)
{
    return {objectPath,
            StringProperty(drive, "Vendor"),
            StringProperty(drive, "Model"),
            StringProperty(drive, "ConnectionBus"),
            StringProperty(drive, "Serial"),
            BoolProperty(drive, "Ejectable"),
            BoolProperty(drive, "CanPowerOff")};
}

UDisksFilesystem ParseFilesystem(const char* objectPath, GVariant* block, GVariant* filesystem)
{
    return {objectPath,
            StringProperty(block, "Drive", "&o"),
            BytesProperty(block, "Device"),
            StringProperty(block, "IdLabel"),
            BoolProperty(block, "HintIgnore"),
            BytesListProperty(filesystem, "MountPoints")};
}

template <typename Item> void SortByObjectPath(std::vector<Item>& items)
{
    std::sort(items.begin(), items.end(),
              [](const Item& a, const Item& b) { return a.objectPath < b.objectPath; });
}

// reply: (a{oa{sa{sv}}}), object path -> interface name -> property name -> value.
UDisksObjects ParseManagedObjects(GVariant* reply)
{
    UDisksObjects objects;
    g_autoptr(GVariant) all = g_variant_get_child_value(reply, 0);
    GVariantIter iter;
    g_variant_iter_init(&iter, all);
    const char* objectPath = nullptr;
    GVariant* interfaces = nullptr;
    while (g_variant_iter_loop(&iter, "{&o@a{sa{sv}}}", &objectPath, &interfaces)) {
        g_autoptr(GVariant) drive =
            g_variant_lookup_value(interfaces, kDriveInterface, G_VARIANT_TYPE_VARDICT);
        g_autoptr(GVariant) block =
            g_variant_lookup_value(interfaces, kBlockInterface, G_VARIANT_TYPE_VARDICT);
        g_autoptr(GVariant) filesystem =
            g_variant_lookup_value(interfaces, kFilesystemInterface, G_VARIANT_TYPE_VARDICT);
        if (drive)
            objects.drives.push_back(ParseDrive(objectPath, drive));
        if (block && filesystem)
            objects.filesystems.push_back(ParseFilesystem(objectPath, block, filesystem));
    }
    SortByObjectPath(objects.drives);
    SortByObjectPath(objects.filesystems);
    return objects;
}

} // namespace

void UDisksClient::Unref::operator()(GDBusConnection* bus) const
{
    g_object_unref(bus);
}

// The update's waits look up the data disk every 50 ms, and connecting to the bus for each lookup
// was a good part of the program's work during an update: the connection is kept between
// operations. It is made afresh when the bus daemon went away (which closes it) or
// DBUS_SYSTEM_BUS_ADDRESS now names another bus.
UDisksClient::BusPtr UDisksClient::SystemBus(std::string& error)
{
    static BusPtr kept;
    static std::string keptAddress;
    const std::string address = SystemBusAddress(error);
    if (address.empty())
        return nullptr;
    if (kept && (g_dbus_connection_is_closed(kept.get()) || keptAddress != address))
        kept.reset();
    if (!kept) {
        kept.reset(ConnectToBus(address, error));
        if (!kept)
            return nullptr;
        keptAddress = address;
    }
    return BusPtr(G_DBUS_CONNECTION(g_object_ref(kept.get())));
}

std::optional<UDisksClient> UDisksClient::Open(UDisksObjects& objects, std::string& error)
{
    BusPtr bus = SystemBus(error);
    if (!bus)
        return std::nullopt;

    g_autoptr(GError) failure = nullptr;
    g_autoptr(GVariant) reply =
        g_dbus_connection_call_sync(bus.get(), kService, kManagerPath, kObjectManagerInterface,
                                    "GetManagedObjects", nullptr, G_VARIANT_TYPE("(a{oa{sa{sv}}})"),
                                    G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &failure);
    if (!reply) {
        error = RemoteErrorText(failure);
        return std::nullopt;
    }
    objects = ParseManagedObjects(reply);
    return UDisksClient(std::move(bus));
}

bool UDisksClient::Mount(const UDisksFilesystem& filesystem, std::string& mountPath,
                         std::string& error) const
{
    return CallAction(filesystem.objectPath, kFilesystemInterface, "Mount", &mountPath, error);
}

bool UDisksClient::Unmount(const UDisksFilesystem& filesystem, std::string& error) const
{
    return CallAction(filesystem.objectPath, kFilesystemInterface, "Unmount", nullptr, error);
}

bool UDisksClient::Eject(const UDisksDrive& drive, std::string& error) const
{
    return CallAction(drive.objectPath, kDriveInterface, "Eject", nullptr, error);
}

bool UDisksClient::PowerOff(const UDisksDrive& drive, std::string& error) const
{
    return CallAction(drive.objectPath, kDriveInterface, "PowerOff", nullptr, error);
}

bool UDisksClient::CallAction(const std::string& objectPath, const char* interface,
                              const char* method, std::string* result, std::string& error) const
{
    // The call blocks the GUI thread: a password prompt must fail at once rather than wait there.
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "auth.no_user_interaction",
                          g_variant_new_boolean(TRUE));

    g_autoptr(GError) failure = nullptr;
    g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
        bus.get(), kService, objectPath.c_str(), interface, method,
        g_variant_new("(a{sv})", &options), G_VARIANT_TYPE(result ? "(s)" : "()"),
        G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &failure);
    if (!reply) {
        error = RemoteErrorText(failure);
        return false;
    }
    if (result) {
        const char* text = nullptr;
        g_variant_get(reply, "(&s)", &text);
        *result = text;
    }
    return true;
}
