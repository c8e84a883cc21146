#include "PrivateBus.h"

#include <gio/gio.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/prctl.h>

namespace {

std::string Configuration(const std::string& folder)
{
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <type>session</type>\n"
           "  <listen>unix:dir=" +
           folder +
           "</listen>\n"
           "  <auth>EXTERNAL</auth>\n"
           "  <policy context=\"default\">\n"
           "    <allow send_destination=\"*\"/>\n"
           "    <allow receive_sender=\"*\"/>\n"
           "    <allow own=\"*\"/>\n"
           "  </policy>\n"
           "</busconfig>\n";
}

} // namespace

PrivateBus::PrivateBus()
{
    g_autoptr(GError) failure = nullptr;
    g_autofree char* made = g_dir_make_tmp("zephlark-bus-XXXXXX", &failure);
    if (!made) {
        error = failure->message;
        return;
    }
    folder = made;
    Launch();
}

PrivateBus::~PrivateBus()
{
    if (daemon) {
        g_subprocess_send_signal(daemon, SIGTERM);
        g_subprocess_wait(daemon, nullptr, nullptr);
        g_object_unref(daemon);
    }
    if (!folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
}

void PrivateBus::BecomeSystemBus() const
{
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
}

void PrivateBus::Launch()
{
    const auto configPath = folder + "/bus.conf";
    std::ofstream(configPath) << Configuration(folder);
    const auto configOption = "--config-file=" + configPath;

    g_autoptr(GSubprocessLauncher) launcher =
        g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_STDOUT_PIPE);
    // A test killed on its time-out must not leave its bus daemon running.
    g_subprocess_launcher_set_child_setup(
        launcher, [](gpointer) { prctl(PR_SET_PDEATHSIG, SIGTERM); }, nullptr, nullptr);
    g_autoptr(GError) failure = nullptr;
    daemon = g_subprocess_launcher_spawn(launcher, &failure, "dbus-daemon", "--nofork",
                                         "--print-address", configOption.c_str(), nullptr);
    if (!daemon) {
        error = failure->message;
        return;
    }
    // The daemon prints its address once it listens; end of output means it gave up.
    g_autoptr(GDataInputStream) output =
        g_data_input_stream_new(g_subprocess_get_stdout_pipe(daemon));
    g_autofree char* line = g_data_input_stream_read_line(output, nullptr, nullptr, &failure);
    if (line && *line)
        address = line;
    else
        error = failure ? failure->message : "dbus-daemon printed no address";
}
