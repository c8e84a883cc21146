#include "cli/CliCommands.h"

#include <algorithm>

#include "cli/ExitCodes.h"

namespace {

const std::vector<CliCommand> kCommands = {
    {"list",
     {},
     false,
     RunListCommand,
     "zephlark-cli list [--json] [--verbose]\n"
     "  Lists every Zephlark plugged in: its port, serial number, version and mode (serial,\n"
     "  data-disk, or busy when another program holds its port). Exits 0 also when none is."},
    {"info",
     {"--serial", "--port", "--wait"},
     false,
     RunInfoCommand,
     "zephlark-cli info [DEVICE] [--wait SECONDS] [--json] [--verbose]\n"
     "  Waits for the Zephlark (5 seconds unless --wait says otherwise) and prints its port,\n"
     "  serial number, target, build, SDK and boot build."},
    {"update",
     {"--key", "--allow-older", "--serial", "--port", "--wait"},
     true,
     RunUpdateCommand,
     "zephlark-cli update OSFILE [--key FILE] [--allow-older] [DEVICE] [--wait SECONDS]\n"
     "                    [--json] [--verbose]\n"
     "  Installs the OS file on the Zephlark as the window does: checks the files, copies them\n"
     "  onto its data disk, follows the install through its restarts and removes the copies.\n"
     "  --allow-older installs a version older than the running one. Ctrl+C before the copies\n"
     "  stops at once; later the update stops once the Zephlark is back in serial mode and\n"
     "  'zephlark-cli recover' finishes it; a second Ctrl+C leaves at once."},
    {"recover",
     {"--serial", "--port", "--wait"},
     false,
     RunRecoverCommand,
     "zephlark-cli recover [DEVICE] [--wait SECONDS] [--json] [--verbose]\n"
     "  Finishes an update that was interrupted: removes its files from the Zephlark's data disk\n"
     "  and brings the Zephlark back."},
    {"reset",
     {"--yes", "--serial", "--port", "--wait"},
     false,
     RunResetCommand,
     "zephlark-cli reset --yes [DEVICE] [--wait SECONDS] [--json] [--verbose]\n"
     "  Factory reset: erases all games and data on the Zephlark. Refused without --yes."},
    {"console",
     {"--follow", "--serial", "--port", "--wait"},
     false,
     RunConsoleCommand,
     "zephlark-cli console [--follow] [DEVICE] [--wait SECONDS] [--json] [--verbose]\n"
     "  Prints the Zephlark's lines as they arrive, each with its time, until Ctrl+C or until it\n"
     "  leaves. --follow keeps going across unplug and replug and marks each."},
    {"doctor",
     {"--serial", "--port"},
     false,
     RunDoctorCommand,
     "zephlark-cli doctor [DEVICE] [--json] [--verbose]\n"
     "  Checks that this user can reach the Zephlark (Linux: the udev rule, the port's\n"
     "  permissions, ModemManager, udisks2), looks for interrupted updates and gives the\n"
     "  command that fixes each problem."},
};

wxString ExitCodesParagraph()
{
    wxString text = "Exit codes:";
    for (const ExitCodeMeaning& exit : kExitCodeMeanings)
        text << wxString::Format("\n  %3d  %s", static_cast<int>(exit.code), exit.meaning);
    return text;
}

} // namespace

const CliCommand* FindCliCommand(const std::string& name)
{
    const auto found = std::find_if(kCommands.begin(), kCommands.end(),
                                    [&](const CliCommand& known) { return name == known.name; });
    return found == kCommands.end() ? nullptr : &*found;
}

wxString CliUsage(const std::string& command)
{
    if (const CliCommand* known = FindCliCommand(command))
        return known->usage;
    wxString usage = "zephlark-cli: the Zephlark Utility without a window.\n\n"
                     "Usage: zephlark-cli COMMAND [OPTIONS]   (zephlark-cli help COMMAND)\n\n";
    for (const CliCommand& known : kCommands)
        usage << known.usage << "\n\n";
    usage << "Options may come before the command; --wait=5 is --wait 5; after -- every word\n"
             "is the command or a file. --wait: at most 86400 seconds; 0 waits for none to come.\n"
             "DEVICE: --serial NUMBER or --port PORT names the Zephlark (ZEPHLARK_SERIAL=NUMBER\n"
             "names one by default); with several plugged in, a command must be told which.\n"
             "--json: standard output is one JSON object per line (see the manual page).\n"
          << ExitCodesParagraph();
    return usage;
}
