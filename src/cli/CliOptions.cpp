#include "cli/CliOptions.h"

#include <algorithm>
#include <cstdlib>

namespace {

struct CommandInfo
{
    const char* name;
    std::vector<std::string> options; // besides --help, --json and --verbose
    bool takesFile;
    const char* usage;
};

const std::vector<CommandInfo> kCommands = {
    {"info",
     {"--wait"},
     false,
     "zephlark-cli info [--wait SECONDS] [--json] [--verbose]\n"
     "  Waits for the Zephlark (5 seconds unless --wait says otherwise) and prints its port,\n"
     "  serial number, target, build, SDK and boot build."},
    {"update",
     {"--key", "--allow-older", "--wait"},
     true,
     "zephlark-cli update OSFILE [--key FILE] [--allow-older] [--wait SECONDS] [--json] "
     "[--verbose]\n"
     "  Installs the OS file on the Zephlark as the window does: checks the files, copies them\n"
     "  onto its data disk, follows the install through its restarts and removes the copies.\n"
     "  --allow-older installs a version older than the running one. Ctrl+C before the copies\n"
     "  stops at once; later the update stops once the Zephlark is back in serial mode and\n"
     "  'zephlark-cli recover' finishes it; a second Ctrl+C leaves at once."},
    {"recover",
     {"--wait"},
     false,
     "zephlark-cli recover [--wait SECONDS] [--json] [--verbose]\n"
     "  Finishes an update that was interrupted: removes its files from the Zephlark's data disk\n"
     "  and brings the Zephlark back."},
    {"reset",
     {"--yes", "--wait"},
     false,
     "zephlark-cli reset --yes [--wait SECONDS] [--json] [--verbose]\n"
     "  Factory reset: erases all games and data on the Zephlark. Refused without --yes."},
    {"console",
     {"--follow", "--wait"},
     false,
     "zephlark-cli console [--follow] [--wait SECONDS] [--json] [--verbose]\n"
     "  Prints the Zephlark's lines as they arrive, each with its time, until Ctrl+C or until it\n"
     "  leaves. --follow keeps going across unplug and replug and marks each."},
    {"doctor",
     {},
     false,
     "zephlark-cli doctor [--json] [--verbose]\n"
     "  Checks that this user can reach the Zephlark (Linux: the udev rule, the port's\n"
     "  permissions, ModemManager, udisks2) and gives the command that fixes each problem."},
};

const CommandInfo* FindCommand(const std::string& name)
{
    const auto found = std::find_if(kCommands.begin(), kCommands.end(),
                                    [&](const CommandInfo& known) { return name == known.name; });
    return found == kCommands.end() ? nullptr : &*found;
}

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
    const CommandInfo* known = nullptr;
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
            known = FindCommand(argument);
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

wxString CliUsage(const std::string& command)
{
    if (const CommandInfo* known = FindCommand(command))
        return known->usage;
    wxString usage = "zephlark-cli: the Zephlark Utility without a window.\n\n"
                     "Usage: zephlark-cli COMMAND [OPTIONS]   (zephlark-cli COMMAND --help)\n\n";
    for (const CommandInfo& known : kCommands)
        usage << known.usage << "\n\n";
    usage << "--json: standard output is one JSON object per line (see the manual page).\n"
             "Exit codes: 0 success, 1 failed, 2 bad arguments or file, 3 no device,\n"
             "4 device busy, 5 update refused, 6 doctor found problems, 130 Ctrl+C.";
    return usage;
}
