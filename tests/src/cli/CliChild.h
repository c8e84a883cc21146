#pragma once

// zephlark-cli run as a child process, its standard output read as JSON lines.

#include <nlohmann/json.hpp>

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using CliEvent = nlohmann::json;

struct CliRun
{
    int exitCode = -1;
    std::vector<CliEvent> events;

    // The values of field in every event of that kind, in order; strings as they are, other
    // values as JSON text.
    std::vector<std::string> Values(const std::string& event, const std::string& field) const;
};

// A string field of an event, empty when the event has no such string.
std::string Text(const CliEvent& event, const char* field);

// Runs program with arguments and --json, the environment extended by settings ("NAME=value"),
// standard error appended to stderrPath. onEvent may signal the child (its process id) as events
// arrive. After linesRead lines the child's standard output is closed, as by "| head".
CliRun RunCliChild(const std::string& program, std::vector<std::string> arguments,
                   const std::vector<std::string>& settings, const std::string& stderrPath,
                   const std::function<void(const CliEvent&, pid_t)>& onEvent = {},
                   size_t linesRead = SIZE_MAX);
