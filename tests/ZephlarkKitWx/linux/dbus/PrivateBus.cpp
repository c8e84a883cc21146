#include "PrivateBus.h"

#include <gio/gio.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace {

constexpr auto kCallTimeout = std::chrono::seconds{10};

} // namespace

PrivateBus::PrivateBus()
{
    // on_private_bus.sh gives its bus both addresses; a desktop session has a system bus of its
    // own.
    const char* session = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* system = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (!session || !system || std::string(session) != system) {
        error = "the system bus is not a bus of the test's own (on_private_bus.sh)";
        return;
    }
    address = session;
    g_autoptr(GError) failure = nullptr;
    connection = g_bus_get_sync(G_BUS_TYPE_SYSTEM, nullptr, &failure);
    // In the scratch TMPDIR, which goes with the test program.
    g_autofree char* made = connection ? g_dir_make_tmp("zephlark-bus-XXXXXX", &failure) : nullptr;
    if (made)
        folder = made;
    else
        error = failure->message;
}

PrivateBus::~PrivateBus()
{
    if (connection)
        g_object_unref(connection);
}

void PrivateBus::BecomeSystemBus() const
{
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
}

GVariant* PrivateBus::Call(const char* service, const char* path, const char* interface,
                           const char* method, GVariant* parameters) const
{
    g_autoptr(GError) failure = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        connection, service, path, interface, method, parameters, nullptr, G_DBUS_CALL_FLAGS_NONE,
        std::chrono::milliseconds{kCallTimeout}.count(), nullptr, &failure);
    if (!reply)
        ADD_FAILURE() << interface << "." << method << " on " << service << ": "
                      << failure->message;
    return reply;
}
