#include "cli/CliApp.h"

#include <string>
#include <vector>

#include "BuildVersion.h"
#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "cli/ExitCodes.h"
#include "Interrupt.h"
#include "SystemDescription.h"

namespace {

wxString VersionText()
{
    return wxString("zephlark-cli ") + ZEPHLARK_LONG_VERSION;
}

} // namespace

// The command line is ours (wxAppConsole's parser knows no commands).
bool CliApp::OnInit()
{
    SetAppName("zephlark-cli");
    return true;
}

int CliApp::OnRun()
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i].utf8_str());
    wxString error;
    CliOptions options;
    if (!ParseCliOptions(arguments, options, error))
        return CliOutput(options.json, false)
            .Result(kExitBadArguments,
                    options.json ? error
                                 : error + "\n'zephlark-cli help [COMMAND]' lists the commands "
                                           "and their options.");
    // In JSON mode these are results too: a script reads one kind of output.
    if (options.version)
        return CliOutput(options.json, false).Result(kExitSuccess, VersionText());
    if (options.help)
        return CliOutput(options.json, false).Result(kExitSuccess, CliUsage(options.command));
    CatchInterrupts("\nLeaving at once. 'zephlark-cli recover' finishes an interrupted update.\n",
                    kExitInterrupted);
    CliOutput output(options.json, options.verbose);
    delete wxLog::SetActiveTarget(new CliLogTarget(output));
    wxLogMessage("%s on %s", VersionText(), DescribeSystem());
    const int code = FindCliCommand(options.command)->run(options, output);
    delete wxLog::SetActiveTarget(nullptr);
    return code;
}
