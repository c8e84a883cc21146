#include "linux/SystemBus.h"

#include <gio/gio.h>

std::string SystemBusAddress(std::string& error)
{
    g_autoptr(GError) failure = nullptr;
    g_autofree char* address =
        g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, &failure);
    if (!address)
        error = RemoteErrorText(failure);
    return address ? address : "";
}

GDBusConnection* ConnectToBus(const std::string& address, std::string& error)
{
    g_autoptr(GError) failure = nullptr;
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &failure);
    if (!bus)
        error = RemoteErrorText(failure);
    return bus;
}

std::string RemoteErrorText(GError* error)
{
    g_dbus_error_strip_remote_error(error);
    return error->message;
}
