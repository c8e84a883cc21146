#include "CliChild.h"

#include "ChildProcess.h"

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
    arguments.insert(arguments.begin(), program);
    arguments.push_back("--json");
    CliRun run;
    run.exitCode =
        RunReadingLines(arguments, stderrPath, settings, [&](const std::string& line, pid_t child) {
            const CliEvent event = CliEvent::parse(line, nullptr, false);
            if (!event.is_object()) {
                run.badLines.push_back(line);
            } else {
                run.events.push_back(event);
                if (onEvent)
                    onEvent(event, child);
            }
            return --linesRead > 0;
        });
    return run;
}
