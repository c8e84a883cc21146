// doctor: whether this user can reach the Zephlark, each problem with its fix, and the updates
// that wait to be finished.

#include "cli/CliCommands.h"

#include <wx/intl.h>

#include "cli/CliOutput.h"
#include "DeviceAccessChecks.h"
#include "DeviceAccessReport.h"
#include "cli/ExitCodes.h"
#include "update/UpdateJournal.h"
#include "UserStateFolder.h"

int RunDoctorCommand(const CliOptions&, CliOutput& output)
{
    std::vector<DeviceAccessCheck> checks = CheckDeviceAccess();
    for (const UpdateJournalRecord& pending : UpdateJournal::LoadAll(ZephlarkUserStateFolder()))
        checks.push_back({"update-journal", false,
                          wxString::Format(_("An update of the Zephlark %s was interrupted at "
                                             "the step \"%s\"."),
                                           pending.serialNumber, pending.step),
                          _("Plug in that Zephlark and run zephlark-cli recover")});
    int problems = 0;
    for (const DeviceAccessCheck& check : checks) {
        output.Check(check.name, check.ok, check.text, check.fix);
        problems += check.ok ? 0 : 1;
    }
    return output.Result(problems == 0 ? kExitSuccess : kExitProblemsFound,
                         DeviceAccessSummary(problems));
}
