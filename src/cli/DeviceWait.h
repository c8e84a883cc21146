#pragma once

// Waiting for the Zephlark at the start of a command, and telling why when it does not come.

#include <chrono>
#include <functional>
#include <optional>

class CliOutput;
class DeviceConnection;

// Waits up to limit for ready(connection) (by default: the device identified), telling output
// when it has to wait. Nothing once ready; otherwise the exit code, after telling the user why
// through output. A port that another program holds ends the wait at once: retrying its open
// would only fail again.
[[nodiscard]] std::optional<int>
WaitForZephlarkOrReport(DeviceConnection& connection, std::chrono::seconds limit, CliOutput& output,
                        const std::function<bool(DeviceConnection&)>& ready = {});
