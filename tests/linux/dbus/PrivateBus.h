#pragma once

// A D-Bus daemon of the test's own, started in a scratch folder that lives as long as it does. Its
// configuration names no service folders, so nothing on it is ever started on demand: a service
// exists on it only when the test provides it.

#include <string>

typedef struct _GSubprocess GSubprocess;

class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool IsRunning() const { return !address.empty(); }
    const std::string& Address() const { return address; }
    const std::string& Error() const { return error; }
    const std::string& Folder() const { return folder; }

    // Makes this bus the process's system bus, so that the code under test never reaches the
    // machine's own.
    void BecomeSystemBus() const;

private:
    void Launch();

    std::string folder;
    std::string address;
    std::string error;
    GSubprocess* daemon = nullptr;
};
