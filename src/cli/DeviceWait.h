#pragma once

// Waiting for the Zephlark at the start of a command, and what to tell when it does not come.

#include <wx/string.h>

#include <chrono>
#include <functional>

class CliOutput;
class DeviceConnection;

enum class DeviceWaitEnd
{
    Ready,
    NoDevice,
    Denied, // the port is there but this user may not open it
    Busy,   // another program holds the port
    Interrupted
};

// Waits up to limit for ready(connection) (by default: the device identified), telling output
// when it has to wait. A port that another program holds ends the wait at once: retrying its open
// would only fail again.
DeviceWaitEnd WaitForZephlark(DeviceConnection& connection, std::chrono::seconds limit,
                              CliOutput& output,
                              const std::function<bool(DeviceConnection&)>& ready = {});

// The exit code for an end other than Ready, after telling the user why through output.
int ReportDeviceWaitEnd(DeviceWaitEnd end, CliOutput& output);
