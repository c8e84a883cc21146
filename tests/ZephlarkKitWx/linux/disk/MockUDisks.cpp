#include "MockUDisks.h"

#include <gio/gio.h>

#include <cstring>
#include <map>
#include <mutex>

#include "PrivateBus.h"

struct DriveRemovals
{
    std::mutex lock; // guards actions, and is held while one runs
    std::map<std::string, std::function<void()>> actions; // by drive name
};

namespace {

constexpr auto kDrivesPath = "/org/freedesktop/UDisks2/drives/";
constexpr auto kRemovalRule = "type='signal',sender='org.freedesktop.UDisks2',"
                              "interface='org.freedesktop.DBus.ObjectManager',"
                              "member='InterfacesRemoved'";

// Runs on GDBus' thread, for every message the connection receives.
GDBusMessage* NoticeDriveRemoval(GDBusConnection*, GDBusMessage* message, gboolean incoming,
                                 gpointer data)
{
    const char* path = nullptr;
    if (incoming && g_dbus_message_get_message_type(message) == G_DBUS_MESSAGE_TYPE_SIGNAL &&
        g_strcmp0(g_dbus_message_get_member(message), "InterfacesRemoved") == 0)
        g_variant_get_child(g_dbus_message_get_body(message), 0, "&o", &path);
    if (path && g_str_has_prefix(path, kDrivesPath)) {
        auto* removals = static_cast<DriveRemovals*>(data);
        std::lock_guard<std::mutex> guard(removals->lock);
        const auto action = removals->actions.find(path + std::strlen(kDrivesPath));
        if (action != removals->actions.end())
            action->second();
    }
    return message;
}

} // namespace

MockUDisks::MockUDisks(const PrivateBus& bus, std::string mountRoot)
    : bus(bus), mountRoot(std::move(mountRoot))
{}

MockUDisks::~MockUDisks()
{
    if (filter) {
        {
            std::lock_guard<std::mutex> guard(removals->lock);
            removals->actions.clear();
        }
        // The filter may be running still; GDBus frees its data once it no longer can.
        g_dbus_connection_remove_filter(bus.Connection(), filter);
    }
}

bool MockUDisks::Start()
{
    g_autoptr(GVariant) reset = Control("Reset");
    if (!reset)
        return false;
    g_autoptr(GVariant) matched =
        bus.Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                 "AddMatch", g_variant_new("(s)", kRemovalRule));
    removals = new DriveRemovals;
    filter = g_dbus_connection_add_filter(
        bus.Connection(), NoticeDriveRemoval, removals,
        [](gpointer data) { delete static_cast<DriveRemovals*>(data); });
    return matched != nullptr;
}

void MockUDisks::Add(const MockDrive& drive, const MockFilesystem& filesystem)
{
    Tell("AddDrive",
         g_variant_new("(sssssbbssssb)", drive.name.c_str(), drive.vendor.c_str(),
                       drive.model.c_str(), drive.connectionBus.c_str(), drive.serial.c_str(),
                       drive.ejectable, drive.canPowerOff, filesystem.name.c_str(),
                       filesystem.label.c_str(), filesystem.mountPoint.c_str(),
                       MountPointFor(filesystem.name).c_str(), filesystem.hintIgnore));
}

void MockUDisks::Refuse(const std::string& method, const std::string& message)
{
    Tell("Refuse", g_variant_new("(ss)", method.c_str(), message.c_str()));
}

std::vector<std::string> MockUDisks::Calls() const
{
    g_autoptr(GVariant) reply = Control("GetActions");
    g_auto(GStrv) actions = nullptr;
    if (reply)
        g_variant_get(reply, "(^as)", &actions);
    return actions ? std::vector<std::string>(actions, actions + g_strv_length(actions))
                   : std::vector<std::string>{};
}

void MockUDisks::OnDriveRemoved(const std::string& drive, std::function<void()> action)
{
    std::lock_guard<std::mutex> guard(removals->lock);
    if (action)
        removals->actions[drive] = std::move(action);
    else
        removals->actions.erase(drive);
}

GVariant* MockUDisks::Control(const char* method, GVariant* parameters) const
{
    return bus.Call("org.freedesktop.UDisks2", "/org/freedesktop/UDisks2",
                    "org.freedesktop.DBus.Mock", method, parameters);
}

void MockUDisks::Tell(const char* method, GVariant* parameters) const
{
    if (GVariant* reply = Control(method, parameters))
        g_variant_unref(reply);
}
