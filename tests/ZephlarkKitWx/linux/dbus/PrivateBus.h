#pragma once

// The D-Bus bus a test program runs on: on_private_bus.sh starts it with the program, makes it the
// system bus too and puts the mock services the program asked for on it, so that the code under
// test never reaches the machine's own bus. Each object also gives its test a fresh folder.

#include <string>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;

class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // False when this is not the bus of on_private_bus.sh: a test then refuses to run.
    bool IsRunning() const { return error.empty(); }
    const std::string& Error() const { return error; }
    const std::string& Folder() const { return folder; }
    GDBusConnection* Connection() const { return connection; }

    // Makes this bus the system bus again after a test pointed DBUS_SYSTEM_BUS_ADDRESS elsewhere.
    void BecomeSystemBus() const;

    // Calls method of a service on this bus. A failure fails the test and gives null; the caller
    // owns the reply.
    GVariant* Call(const char* service, const char* path, const char* interface, const char* method,
                   GVariant* parameters = nullptr) const;

private:
    std::string address;
    std::string error;
    std::string folder;
    GDBusConnection* connection = nullptr;
};
