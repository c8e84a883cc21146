#include "MockLogind.h"

#include <gio/gio.h>
#include <gio/gunixfdlist.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr char kInterfaceXml[] =
    "<node><interface name='org.freedesktop.login1.Manager'><method name='Inhibit'>"
    "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='s' direction='in'/><arg type='h' direction='out'/>"
    "</method></interface></node>";

} // namespace

MockLogind::MockLogind() = default;

MockLogind::~MockLogind()
{
    if (readEnd >= 0)
        close(readEnd);
}

bool MockLogind::Start(const std::string& busAddress)
{
    return service.Start(busAddress, "org.freedesktop.login1", [this](GDBusConnection* bus) {
        static const GDBusInterfaceVTable vtable = {OnMethodCall, nullptr, nullptr, {}};
        g_autoptr(GDBusNodeInfo) node = g_dbus_node_info_new_for_xml(kInterfaceXml, nullptr);
        return g_dbus_connection_register_object(bus, "/org/freedesktop/login1",
                                                 node->interfaces[0], &vtable, this, nullptr,
                                                 nullptr) != 0;
    });
}

void MockLogind::Refuse(const std::string& message)
{
    std::lock_guard<std::mutex> guard(lock);
    refusal = message;
}

std::vector<std::string> MockLogind::Calls() const
{
    std::lock_guard<std::mutex> guard(lock);
    return calls;
}

bool MockLogind::Held() const
{
    std::lock_guard<std::mutex> guard(lock);
    pollfd end{readEnd, POLLIN, 0};
    return readEnd >= 0 && poll(&end, 1, 0) == 0;
}

void MockLogind::OnMethodCall(GDBusConnection*, const char*, const char*, const char*, const char*,
                              GVariant* parameters, GDBusMethodInvocation* call, void* self)
{
    static_cast<MockLogind*>(self)->Inhibit(parameters, call);
}

void MockLogind::Inhibit(GVariant* parameters, GDBusMethodInvocation* call)
{
    const char *what, *who, *why, *mode;
    g_variant_get(parameters, "(&s&s&s&s)", &what, &who, &why, &mode);
    std::lock_guard<std::mutex> guard(lock);
    calls.push_back(std::string(what) + "|" + who + "|" + why + "|" + mode);
    int ends[2];
    if (!refusal.empty() || pipe2(ends, O_CLOEXEC) != 0) {
        g_dbus_method_invocation_return_dbus_error(call, "org.freedesktop.DBus.Error.AccessDenied",
                                                   refusal.c_str());
        return;
    }
    if (readEnd >= 0)
        close(readEnd);
    readEnd = ends[0];
    handedOver = false;
    GUnixFDList* handed = g_unix_fd_list_new_from_array(&ends[1], 1); // owns the writing end
    // Data is freed after the list closed its descriptors (a weak reference is told before).
    g_object_set_data_full(G_OBJECT(handed), "mock", this,
                           [](void* self) { static_cast<MockLogind*>(self)->handedOver = true; });
    g_dbus_method_invocation_return_value_with_unix_fd_list(call, g_variant_new("(h)", 0), handed);
    g_object_unref(handed);
}
