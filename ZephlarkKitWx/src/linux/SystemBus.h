#pragma once

// Connections to the system bus for the platform layer's D-Bus clients (udisks2, logind).

#include <string>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GError GError;

// The system bus' address now: DBUS_SYSTEM_BUS_ADDRESS when set, the standard socket otherwise.
// Empty with error set when there is none.
std::string SystemBusAddress(std::string& error);

// A new connection of the caller's own to the bus at address, or null with error set. Not GIO's
// shared system bus connection: that one stays in use after a close for as long as anybody still
// holds it, and raises SIGTERM in the whole program on losing the bus.
GDBusConnection* ConnectToBus(const std::string& address, std::string& error);

// A D-Bus error's own text, without GDBus' "GDBus.Error:<error name>: " prefix.
std::string RemoteErrorText(GError* error);
