#pragma once

// A stand-in for systemd-logind with only Manager.Inhibit, on a ServiceThread. Like logind, it
// hands out the writing end of a pipe and keeps the reading end: once no process holds the
// writing end any more, the reading end reports a hang-up, which is how logind notices that a
// lock was released.

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "ServiceThread.h"

typedef struct _GVariant GVariant;
typedef struct _GDBusMethodInvocation GDBusMethodInvocation;

class MockLogind
{
public:
    MockLogind();
    ~MockLogind();

    // Takes org.freedesktop.login1 on the bus at busAddress. False when it could not.
    bool Start(const std::string& busAddress);

    // From now on Inhibit fails with this message.
    void Refuse(const std::string& message);

    // Every Inhibit call so far as "what|who|why|mode".
    std::vector<std::string> Calls() const;

    // The last reply went out and the mock's own copy of its descriptor is closed.
    bool HandedOver() const { return handedOver; }

    // Some process still holds the last lock handed out: the caller, or for a moment the bus
    // daemon that passes the descriptor on.
    bool Held() const;

private:
    static void OnMethodCall(GDBusConnection*, const char*, const char*, const char*,
                             const char* method, GVariant* parameters, GDBusMethodInvocation* call,
                             void* self);
    void Inhibit(GVariant* parameters, GDBusMethodInvocation* call);

    mutable std::mutex lock; // guards calls, refusal and readEnd
    std::vector<std::string> calls;
    std::string refusal;
    int readEnd = -1;
    std::atomic<bool> handedOver{false};

    ServiceThread service; // last: it stops before the members above go
};
