// Sleep inhibition on Linux: a "block" inhibitor lock of systemd-logind. logind hands out one end
// of a pipe and keeps the lock for as long as that end is open anywhere, so closing our descriptor
// releases it, and so does the process ending however it ends.
#include "SleepInhibitor.h"

#include <wx/log.h>

#include <gio/gio.h>
#include <gio/gunixfdlist.h>

#include <chrono>
#include <string>

#include <unistd.h>

#include "linux/SystemBus.h"

namespace {

constexpr auto kLogindService = "org.freedesktop.login1";
constexpr auto kManagerPath = "/org/freedesktop/login1";
constexpr auto kManagerInterface = "org.freedesktop.login1.Manager";
// The call blocks the GUI thread as an update starts: a logind that hangs must not hold it long.
constexpr auto kInhibitCallTimeout = std::chrono::seconds{5};
constexpr int kInhibitCallTimeoutMs =
    std::chrono::duration_cast<std::chrono::milliseconds>(kInhibitCallTimeout).count();

// logind's descriptor, or -1 with error set.
int CallInhibit(GDBusConnection* bus, std::string& error)
{
    g_autoptr(GError) failure = nullptr;
    GUnixFDList* received = nullptr;
    g_autoptr(GVariant) reply = g_dbus_connection_call_with_unix_fd_list_sync(
        bus, kLogindService, kManagerPath, kManagerInterface, "Inhibit",
        g_variant_new("(ssss)", "sleep:idle", "Zephlark Utility",
                      "Updating the Zephlark's firmware", "block"),
        G_VARIANT_TYPE("(h)"), G_DBUS_CALL_FLAGS_NONE, kInhibitCallTimeoutMs, nullptr, &received,
        nullptr, &failure);
    g_autoptr(GUnixFDList) descriptors = received; // closes its copies; ours is a duplicate
    if (!reply) {
        error = RemoteErrorText(failure);
        return -1;
    }
    gint32 index = -1;
    g_variant_get(reply, "(h)", &index);
    const int fd = descriptors ? g_unix_fd_list_get(descriptors, index, &failure) : -1;
    if (fd < 0)
        error = failure ? failure->message : "logind sent no descriptor";
    return fd;
}

int TakeInhibitor(std::string& error)
{
    const std::string address = SystemBusAddress(error);
    if (address.empty())
        return -1;
    g_autoptr(GDBusConnection) bus = ConnectToBus(address, error);
    if (!bus)
        return -1;
    const int fd = CallInhibit(bus, error);
    // The lock lives in the descriptor, not in the connection.
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    return fd;
}

} // namespace

struct SleepInhibitor::Hold
{
    int fd;
};

SleepInhibitor::SleepInhibitor()
{
    // Without logind every update would fail the same way, so this is said once per process.
    static bool unavailableLogged = false;
    std::string error;
    const int fd = TakeInhibitor(error);
    if (fd >= 0) {
        hold = std::make_unique<Hold>(Hold{fd});
    } else if (!unavailableLogged) {
        unavailableLogged = true;
        wxLogMessage("The computer cannot be kept from sleeping during updates (systemd-logind: "
                     "%s).",
                     wxString::FromUTF8(error));
    }
}

SleepInhibitor::~SleepInhibitor()
{
    if (hold)
        close(hold->fd);
}
