#include "CliChild.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "ChildProcess.h"

namespace {

// Every line of standard output goes to the file that ZEPHLARK_CLI_JSON_LINES names, for the
// schema check that runs after the tests. One write per line, in append mode: tests that run at
// the same time add whole lines.
void Record(const std::string& line)
{
    const char* path = std::getenv("ZEPHLARK_CLI_JSON_LINES");
    if (path && !(std::ofstream(path, std::ios::app) << line + "\n" << std::flush))
        std::abort(); // a line lost would go unchecked
}

} // namespace

std::vector<std::string> CliRun::Values(const std::string& event, const std::string& field) const
{
    std::vector<std::string> values;
    for (const CliEvent& e : events)
        if (Text(e, "event") == event && e.contains(field))
            values.push_back(e[field].is_string() ? e[field].get<std::string>() : e[field].dump());
    return values;
}

std::string Text(const CliEvent& event, const char* field)
{
    const auto found = event.find(field);
    return found != event.end() && found->is_string() ? found->get<std::string>() : std::string();
}

CliRun RunCliChild(const std::string& program, std::vector<std::string> arguments,
                   const std::vector<std::string>& settings, const std::string& stderrPath,
                   const std::function<void(const CliEvent&, pid_t)>& onEvent, size_t linesRead)
{
    // Where an option goes: before a "--" that ends the options.
    arguments.insert(std::find(arguments.begin(), arguments.end(), "--"), "--json");
    arguments.insert(arguments.begin(), program);
    CliRun run;
    run.exitCode =
        RunReadingLines(arguments, stderrPath, settings, [&](const std::string& line, pid_t child) {
            Record(line);
            // A line that is no JSON object is left to the schema check, which fails on it.
            const CliEvent event = CliEvent::parse(line, nullptr, false);
            if (event.is_object()) {
                run.events.push_back(event);
                if (onEvent)
                    onEvent(event, child);
            }
            return --linesRead > 0;
        });
    return run;
}
