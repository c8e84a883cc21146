#pragma once

// Keeps the computer from going to sleep (suspending, or sleeping when idle) for as long as the
// object lives: a firmware update that the host's sleep cuts in the middle leaves the device
// half-installed. Each platform folder implements it; construct and destroy it on the same thread
// (Windows keeps the request per thread), and keep one at a time.
//
// Best effort: where the system offers no way (Linux without systemd-logind, or logind refusing),
// that is logged once per process and the object holds nothing; nothing that uses it fails for it.

#include <memory>

class SleepInhibitor
{
public:
    SleepInhibitor();
    ~SleepInhibitor();
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

private:
    struct Hold; // what the platform keeps while it holds the request
    std::unique_ptr<Hold> hold;
};
