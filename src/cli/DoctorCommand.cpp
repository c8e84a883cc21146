// doctor: whether this user can reach the Zephlark, each problem with its fix.

#include "CliCommands.h"

#include "CliOutput.h"
#include "DeviceAccessChecks.h"
#include "ExitCodes.h"

int RunDoctorCommand(const CliOptions&, CliOutput& output)
{
    int problems = 0;
    for (const DeviceAccessCheck& check : CheckDeviceAccess()) {
        output.Check(check.name, check.ok, check.text, check.fix);
        problems += check.ok ? 0 : 1;
    }
    if (problems == 0)
        return output.Result(kExitSuccess, "Nothing to fix.");
    return output.Result(
        kExitProblemsFound,
        wxString::Format("%d problem(s) to fix, each with its fix above.", problems));
}
