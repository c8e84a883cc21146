#include "DeviceAccessReport.h"

#include <wx/intl.h>

#include <algorithm>
#include <iterator>

namespace {

// The checks' keys stay as doctor's JSON gives them; the report shows them in the user's language.
constexpr char kCheckNameContext[] = "device access check";
const char* const kCheckNames[] = {
    wxTRANSLATE_IN_CONTEXT("device access check", "udev-rule"),
    wxTRANSLATE_IN_CONTEXT("device access check", "port"),
    wxTRANSLATE_IN_CONTEXT("device access check", "modemmanager"),
    wxTRANSLATE_IN_CONTEXT("device access check", "udisks2"),
    wxTRANSLATE_IN_CONTEXT("device access check", "disk"),
};

wxString ShownName(const wxString& name)
{
    const bool known =
        std::find(std::begin(kCheckNames), std::end(kCheckNames), name) != std::end(kCheckNames);
    return known ? wxGetTranslation(name, wxString(), kCheckNameContext) : name;
}

} // namespace

wxString DeviceAccessCheckText(const DeviceAccessCheck& check)
{
    const wxString line =
        wxString::Format("[%s] %s: %s", check.ok ? "ok" : "!!", ShownName(check.name), check.text);
    // TRANSLATORS: the fix of a problem found, under it; %s is a command or a step.
    return check.ok ? line : line + "\n     " + wxString::Format(_("fix: %s"), check.fix);
}

DeviceAccessCheck NoZephlarkPluggedIn()
{
    return {"port", false, _("No Zephlark is plugged in; its port was not checked."),
            _("Plug in and unlock the Zephlark.")};
}

wxString DeviceAccessSummary(int problems)
{
    if (problems == 0)
        return _("Nothing to fix.");
    return wxString::Format(wxPLURAL("%d problem(s) to fix, each with its fix above.",
                                     "%d problem(s) to fix, each with its fix above.", problems),
                            problems);
}

wxString DeviceAccessReport(const std::vector<DeviceAccessCheck>& checks)
{
    wxString report;
    int problems = 0;
    for (const DeviceAccessCheck& check : checks) {
        report << DeviceAccessCheckText(check) << "\n";
        problems += check.ok ? 0 : 1;
    }
    return report + "\n" + DeviceAccessSummary(problems);
}
