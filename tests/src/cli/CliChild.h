#pragma once

// zephlark-cli run as a child process, its standard output read as JSON lines.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

using CliEvent = std::map<std::string, std::string>;

// A flat JSON object of strings, numbers and booleans (all that the program writes), values as
// text; nothing when the line is anything else.
std::optional<CliEvent> ParseFlatJson(const std::string& line);

struct CliRun
{
    int exitCode = -1;
    std::vector<CliEvent> events;
    std::vector<std::string> badLines; // standard output that is no JSON object

    // The values of field in every event of that kind, in order.
    std::vector<std::string> Values(const std::string& event, const std::string& field) const;
};

// Runs program with arguments and --json, the environment extended by settings ("NAME=value"),
// standard error appended to stderrPath. onEvent may signal the child (its process id) as events
// arrive. After linesRead lines the child's standard output is closed, as by "| head".
CliRun RunCliChild(const std::string& program, std::vector<std::string> arguments,
                   const std::vector<std::string>& settings, const std::string& stderrPath,
                   const std::function<void(const CliEvent&, pid_t)>& onEvent = {},
                   size_t linesRead = SIZE_MAX);
