#include "DeviceAccessReport.h"

wxString DeviceAccessCheckText(const DeviceAccessCheck& check)
{
    const wxString line =
        wxString::Format("[%s] %s: %s", check.ok ? "ok" : "!!", check.name, check.text);
    return check.ok ? line : line + "\n     fix: " + check.fix;
}

wxString DeviceAccessSummary(int problems)
{
    if (problems == 0)
        return "Nothing to fix.";
    return wxString::Format("%d problem(s) to fix, each with its fix above.", problems);
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
