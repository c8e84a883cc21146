#include "cli/CliOptions.h"

#include <algorithm>
#include <cstdlib>

#include "cli/CliCommands.h"

namespace {

bool ParseSeconds(const std::string& text, std::chrono::seconds& seconds)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 0 || value > 24 * 3600)
        return false;
    seconds = std::chrono::seconds{value};
    return true;
}

} // namespace

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& arguments,
                                          wxString& error)
{
    CliOptions options;
    const CliCommand* known = nullptr;
    bool haveFile = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const auto allowed = [&](const char* name) {
            return known && std::count(known->options.begin(), known->options.end(), name) > 0;
        };
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        if (argument == "--help" || argument == "-h")
            options.help = true;
        else if (argument == "--version")
            options.version = true;
        else if (argument == "--json")
            options.json = true;
        else if (argument == "--verbose" || argument == "-v")
            options.verbose = true;
        else if (argument == "--allow-older" && allowed("--allow-older"))
            options.allowOlder = true;
        else if (argument == "--yes" && allowed("--yes"))
            options.yes = true;
        else if (argument == "--follow" && allowed("--follow"))
            options.follow = true;
        else if (argument == "--wait" && allowed("--wait")) {
            const auto seconds = value();
            if (!seconds || !ParseSeconds(*seconds, options.wait)) {
                error = "--wait needs a number of seconds.";
                return std::nullopt;
            }
        } else if (argument == "--key" && allowed("--key")) {
            const auto file = value();
            if (!file) {
                error = "--key needs a file.";
                return std::nullopt;
            }
            options.keyFile = wxString::FromUTF8(*file);
        } else if (!argument.empty() && argument[0] == '-') {
            error = wxString::Format("Unknown option %s.", argument);
            return std::nullopt;
        } else if (!known) {
            known = FindCliCommand(argument);
            if (!known) {
                error = wxString::Format("Unknown command %s.", argument);
                return std::nullopt;
            }
            options.command = argument;
        } else if (known->takesFile && !haveFile) {
            options.osFile = wxString::FromUTF8(argument);
            haveFile = true;
        } else {
            error = wxString::Format("Unexpected argument %s.", argument);
            return std::nullopt;
        }
    }
    if (options.help || options.version)
        return options;
    if (!known) {
        error = "No command given.";
        return std::nullopt;
    }
    if (known->takesFile && !haveFile) {
        error = "No OS file given.";
        return std::nullopt;
    }
    return options;
}
