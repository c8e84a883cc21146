#include "cli/CliOptions.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "cli/CliCommands.h"

namespace {

// An option as given: "--wait 3" and "--wait=3" alike.
struct GivenOption
{
    std::string name;
    std::optional<std::string> value;
};

bool IsGeneral(const std::string& name)
{
    for (const char* general : {"--help", "-h", "--version", "--json", "--verbose", "-v"})
        if (name == general)
            return true;
    return false;
}

bool TakesValue(const std::string& name)
{
    for (const char* valued : {"--wait", "--key", "--port", "--serial"})
        if (name == valued)
            return true;
    return false;
}

bool ParseSeconds(const std::string& text, std::chrono::seconds& seconds)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 0 || value > kLongestWait.count())
        return false;
    seconds = std::chrono::seconds{value};
    return true;
}

// Options apart from the words (the command, the file): options may come before the command,
// and after "--" everything is a word.
void Split(const std::vector<std::string>& arguments, std::vector<GivenOption>& options,
           std::vector<std::string>& words)
{
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            words.insert(words.end(), arguments.begin() + i + 1, arguments.end());
            return;
        }
        if (argument.size() < 2 || argument[0] != '-') {
            words.push_back(argument);
            continue;
        }
        const size_t equals = argument.find('=');
        if (argument.rfind("--", 0) == 0 && equals != std::string::npos)
            options.push_back({argument.substr(0, equals), argument.substr(equals + 1)});
        else if (TakesValue(argument) && i + 1 < arguments.size())
            options.push_back({argument, arguments[++i]});
        else
            options.push_back({argument, std::nullopt});
    }
}

bool Apply(const GivenOption& option, const CliCommand* command, CliOptions& options,
           wxString& error)
{
    const std::string& name = option.name;
    const bool known = IsGeneral(name) || (command && std::count(command->options.begin(),
                                                                 command->options.end(), name));
    if (!known) {
        error = command ? wxString::Format("%s is not an option of %s.", name, command->name)
                        : wxString::Format("Unknown option %s.", name);
        return false;
    }
    if (option.value && !TakesValue(name)) {
        error = wxString::Format("%s takes no value.", name);
        return false;
    }
    if (name == "--wait") {
        if (!option.value || !ParseSeconds(*option.value, options.wait)) {
            error = wxString::Format("--wait needs a number of seconds (0 to %d).",
                                     static_cast<int>(kLongestWait.count()));
            return false;
        }
        options.waitGiven = true;
    } else if (name == "--key") {
        if (!option.value || option.value->empty()) {
            error = "--key needs a file.";
            return false;
        }
        options.keyFile = wxString::FromUTF8(*option.value);
    } else if (name == "--port" || name == "--serial") {
        if (!option.value || option.value->empty()) {
            error = wxString::Format("%s needs a value.", name);
            return false;
        }
        (name == "--port" ? options.port : options.serial) = wxString::FromUTF8(*option.value);
    }
    options.help |= name == "--help" || name == "-h";
    options.version |= name == "--version";
    options.verbose |= name == "--verbose" || name == "-v";
    options.allowOlder |= name == "--allow-older";
    options.yes |= name == "--yes";
    options.follow |= name == "--follow";
    return true;
}

} // namespace

bool ParseCliOptions(const std::vector<std::string>& arguments, CliOptions& options,
                     wxString& error)
{
    std::vector<GivenOption> given;
    std::vector<std::string> words;
    Split(arguments, given, words);
    // Known first: an error is told as JSON when --json was asked for.
    options.json = std::any_of(given.begin(), given.end(),
                               [](const GivenOption& option) { return option.name == "--json"; });
    if (!words.empty() && words.front() == "help") {
        options.help = true;
        words.erase(words.begin());
    }
    const CliCommand* command = nullptr;
    if (!words.empty()) {
        command = FindCliCommand(words.front());
        if (!command) {
            error = wxString::Format("Unknown command %s.", words.front());
            return false;
        }
        options.command = words.front();
        words.erase(words.begin());
    }
    for (const GivenOption& option : given)
        if (!Apply(option, command, options, error))
            return false;
    if (options.help || options.version)
        return true;
    if (!options.port.empty() && !options.serial.empty()) {
        error = "--serial and --port both name a device: give one of them.";
        return false;
    }
    if (!command) {
        error = "No command given.";
        return false;
    }
    if (command->takesFile && !words.empty()) {
        options.osFile = wxString::FromUTF8(words.front());
        words.erase(words.begin());
    }
    if (!words.empty()) {
        error = wxString::Format("Unexpected argument %s.", words.front());
        return false;
    }
    if (command->takesFile && options.osFile.empty()) {
        error = "No OS file given.";
        return false;
    }
    return true;
}
