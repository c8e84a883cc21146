// The Linux device access checks: the udev rule, the port's permissions, ModemManager and
// udisks2, each with the command that mends it.

#include "DeviceAccessChecks.h"

#include <gio/gio.h>

#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/arrstr.h>
#include <wx/utils.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "Serial.h"
#include "linux/SystemBus.h"
#include "linux/UdevRule.h"
#include "linux/UdevRuleText.h"

namespace {

constexpr char kRuleName[] = "60-zephlark.rules";
constexpr int kBusCallTimeoutMs = 5000;

constexpr char kReloadRulesCommand[] = "sudo udevadm control --reload && sudo udevadm trigger "
                                       "--action=add --subsystem-match=usb --subsystem-match=tty";
constexpr char kRetriggerTtyCommand[] = "sudo udevadm trigger --action=add --subsystem-match=tty";
constexpr char kJoinDialoutCommand[] = "sudo usermod -aG dialout $USER";
constexpr char kStopModemManagerCommand[] = "sudo systemctl disable --now ModemManager";

// Writes the rule where udev reads it, from the program's own copy: a path in the source tree
// (or the package's) would name a file that may not be on this computer.
wxString InstallRuleCommand()
{
    wxString command = "printf '%s\\n'";
    for (const wxString& line : wxSplit(kUdevRuleLines, '\n', '\0'))
        command << " '" << line << "'";
    return command << " | sudo tee /etc/udev/rules.d/" << kRuleName << " >/dev/null && "
                   << kReloadRulesCommand;
}

// Made when asked for, not at start-up: the prose comes out in the language loaded by then.
wxString InstallRuleFix()
{
    // TRANSLATORS: %s is a shell command, to be left as it is.
    return wxString::Format(_("%s (the zephlark-utility package installs the rule itself)"),
                            InstallRuleCommand());
}

struct RuleFile
{
    wxString path;
    std::string text;
    // When the file was put there: its change time. Not its modification time, which a package
    // keeps from when it was built.
    timespec installed = {};
};

// udev reads rules from these folders only, in this order; a file replaces one of the same name
// in the folders after it. ZEPHLARK_UDEV_RULES_DIR names the one folder to read instead: the
// program's tests cannot put a rule into the system's folders.
std::vector<wxString> RuleFolders()
{
    wxString folder;
    if (wxGetEnv("ZEPHLARK_UDEV_RULES_DIR", &folder))
        return {folder};
    return {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/local/lib/udev/rules.d",
            "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
}

bool Before(const timespec& a, const timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

std::optional<RuleFile> FindRule()
{
    for (const wxString& folder : RuleFolders()) {
        const wxString path = folder + "/" + kRuleName;
        wxFFile file;
        struct stat info = {};
        if (!wxFileExists(path) || stat(path.fn_str(), &info) != 0 || !file.Open(path, "rb"))
            continue;
        wxString text;
        file.ReadAll(&text, wxConvUTF8);
        return RuleFile{path, std::string(text.utf8_str()), info.st_ctim};
    }
    return std::nullopt;
}

DeviceAccessCheck CheckRule(const std::optional<RuleFile>& rule)
{
    if (!rule)
        return {"udev-rule", false,
                wxString::Format(_("The udev rule %s is not installed: without it only root (or "
                                   "the dialout group) may open the Zephlark's port."),
                                 kRuleName),
                InstallRuleFix()};
    if (!RuleGivesZephlarkTtyToUser(rule->text))
        return {"udev-rule", false,
                wxString::Format(_("%s does not give the Zephlark's tty (USB 7e21:0c4a) to the "
                                   "user."),
                                 rule->path),
                InstallRuleFix()};
    return {"udev-rule", true,
            wxString::Format(_("%s gives the Zephlark's port to the logged-in user."), rule->path),
            ""};
}

DeviceAccessCheck CheckPort(const std::optional<RuleFile>& rule, const wxString& port)
{
    if (port.empty())
        return NoZephlarkPluggedIn();
    if (access(port.fn_str(), R_OK | W_OK) != 0) {
        if (!rule)
            return {
                "port", false,
                wxString::Format(_("%s may not be opened by this user: the udev rule is "
                                   "missing."),
                                 port),
                wxString::Format(_("%s, then unplug and plug in the Zephlark"), InstallRuleFix())};
        struct stat node = {};
        if (stat(port.fn_str(), &node) == 0 && Before(node.st_ctim, rule->installed))
            return {"port", false,
                    wxString::Format(_("%s may not be opened by this user: the rule was "
                                       "installed after the Zephlark was plugged in."),
                                     port),
                    wxString::Format(_("Unplug and plug in the Zephlark, or: %s"),
                                     kRetriggerTtyCommand)};
        return {"port", false,
                wxString::Format(_("%s may not be opened by this user: the rule gives the port "
                                   "only to the user of the active session at the computer's "
                                   "seat, and this login (SSH, another user's session) is not "
                                   "it."),
                                 port),
                wxString::Format(_("%s, then log in again"), kJoinDialoutCommand)};
    }
    // The window asks while it may hold the port itself: opening and closing it here would
    // close the window's own connection.
    if (ZephlarkSerialIsOpenHere(port))
        return {"port", true, wxString::Format(_("%s is open in this program."), port), ""};
    SerialPort probe;
    if (!ZephlarkSerialOpen(probe, port)) {
        if (ZephlarkSerialLastOpenFailure(probe) == SerialOpenFailure::InUse)
            return {"port", false, wxString::Format(_("%s is in use by another program."), port),
                    wxString::Format(_("Close the program that holds it (%s names it)."),
                                     "fuser -v " + port)};
        return {"port", false, wxString::Format(_("%s could not be opened."), port),
                _("Unplug and plug in the Zephlark.")};
    }
    return {"port", true, wxString::Format(_("%s can be opened by this user."), port), ""};
}

bool ModemManagerRuns()
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        if (std::getline(comm, name) && name == "ModemManager")
            return true;
    }
    return false;
}

DeviceAccessCheck CheckModemManager(const std::optional<RuleFile>& rule)
{
    if (!ModemManagerRuns())
        return {"modemmanager", true, _("ModemManager does not run."), ""};
    if (rule && RuleKeepsModemManagerOff(rule->text))
        return {"modemmanager", true,
                _("ModemManager runs and the rule keeps it off the Zephlark."), ""};
    return {"modemmanager", false,
            _("ModemManager runs and nothing keeps it off the Zephlark: its probes would reach "
              "the Zephlark's console as commands."),
            // TRANSLATORS: two fixes, each a shell command (the first with its explanation).
            wxString::Format(_("%s (or: %s)"), InstallRuleFix(), kStopModemManagerCommand)};
}

DeviceAccessCheck CheckUDisks()
{
    std::string error;
    const std::string address = SystemBusAddress(error);
    g_autoptr(GDBusConnection) bus = address.empty() ? nullptr : ConnectToBus(address, error);
    g_autoptr(GError) failure = nullptr;
    g_autoptr(GVariant) reply =
        bus ? g_dbus_connection_call_sync(bus, "org.freedesktop.UDisks2",
                                          "/org/freedesktop/UDisks2", "org.freedesktop.DBus.Peer",
                                          "Ping", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE,
                                          kBusCallTimeoutMs, nullptr, &failure)
            : nullptr;
    if (reply)
        return {"udisks2", true, _("udisks2 answers on the system bus."), ""};
    if (failure)
        error = RemoteErrorText(failure);
    return {"udisks2", false,
            wxString::Format(_("udisks2 does not answer on the system bus (%s): the update "
                               "cannot reach the Zephlark's data disk."),
                             wxString::FromUTF8(error)),
            "sudo apt install udisks2 && sudo systemctl start udisks2"};
}

} // namespace

std::vector<DeviceAccessCheck> CheckPortAccess(const wxString& port)
{
    const auto rule = FindRule();
    return {CheckRule(rule), CheckPort(rule, port), CheckModemManager(rule)};
}

std::vector<DeviceAccessCheck> CheckDeviceAccess(const wxString& port)
{
    auto checks = CheckPortAccess(port);
    checks.push_back(CheckUDisks());
    return checks;
}
