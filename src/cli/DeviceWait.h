#pragma once

// Waiting for the Zephlark at the start of a command, and telling why when it does not come.

#include <chrono>
#include <functional>
#include <optional>

// How long a device whose port is open has to answer "version", whatever the wait: a device
// plugged in before a "--wait 0" is found, not reported missing before it could say who it is.
inline constexpr std::chrono::seconds kDeviceAnswerLimit{3};

class CliOutput;
class DeviceConnection;
struct DeviceName;

// Waits up to limit for ready(connection) (by default: the device identified), telling output
// when it has to wait. The connection is pinned to the named device before it looks at any port;
// with nothing named it takes the only device, and several plugged in end the wait at once, before
// any is touched. Nothing once ready; otherwise the exit code, after telling the user why through
// output. A port that another program holds ends the wait at once: retrying its open would only
// fail again.
[[nodiscard]] std::optional<int>
WaitForZephlarkOrReport(DeviceConnection& connection, const DeviceName& name,
                        std::chrono::seconds limit, CliOutput& output,
                        const std::function<bool(DeviceConnection&)>& ready = {});
