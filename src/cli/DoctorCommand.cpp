// doctor: whether this user can reach the Zephlark, each problem with its fix.

#include "cli/CliCommands.h"

#include "cli/CliOutput.h"
#include "DeviceAccessChecks.h"
#include "DeviceAccessReport.h"
#include "cli/ExitCodes.h"

int RunDoctorCommand(const CliOptions&, CliOutput& output)
{
    int problems = 0;
    for (const DeviceAccessCheck& check : CheckDeviceAccess()) {
        output.Check(check.name, check.ok, check.text, check.fix);
        problems += check.ok ? 0 : 1;
    }
    return output.Result(problems == 0 ? kExitSuccess : kExitProblemsFound,
                         DeviceAccessSummary(problems));
}
