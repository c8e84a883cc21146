// doctor: whether this user can reach the Zephlark, each problem with its fix, and the updates
// that wait to be finished.

#include "cli/CliCommands.h"

#include <wx/intl.h>

#include "cli/CliOutput.h"
#include "DeviceAccessChecks.h"
#include "DeviceAccessReport.h"
#include "cli/DeviceChoice.h"
#include "cli/ExitCodes.h"
#include "Serial.h"
#include "update/UpdateJournal.h"
#include "UserStateFolder.h"

namespace {

// The named device's port, else the first listed; empty when the named one is not listed by its
// port or USB serial (doctor asks no device who it is).
wxString PortToCheck(const DeviceName& name)
{
    if (name.Empty())
        return FindZephlarkSerialPort();
    const DeviceChoice choice = ChooseDevice(name, ListZephlarkSerialPorts(), {});
    return choice.kind == DeviceChoiceKind::Device ? choice.device.name : wxString();
}

} // namespace

int RunDoctorCommand(const CliOptions& options, CliOutput& output)
{
    std::vector<DeviceAccessCheck> checks = CheckDeviceAccess(PortToCheck(NamedDevice(options)));
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
