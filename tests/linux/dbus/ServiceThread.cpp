#include "ServiceThread.h"

#include <gio/gio.h>

#include <future>

namespace {

constexpr guint32 kRequestNameDoNotQueue = 4;
constexpr guint32 kRequestNamePrimaryOwner = 1;

} // namespace

ServiceThread::ServiceThread()
    : context(g_main_context_new()), loop(g_main_loop_new(context, FALSE)), thread([this] {
          g_main_context_push_thread_default(context);
          g_main_loop_run(loop);
          g_main_context_pop_thread_default(context);
      })
{}

ServiceThread::~ServiceThread()
{
    Run([this] {
        if (connection) {
            g_dbus_connection_close_sync(connection, nullptr, nullptr);
            g_object_unref(connection);
        }
    });
    g_main_loop_quit(loop);
    thread.join();
    g_main_loop_unref(loop);
    g_main_context_unref(context);
}

void ServiceThread::Run(const std::function<void()>& task)
{
    struct Job
    {
        const std::function<void()>& task;
        std::promise<void> done;
    } job{task, {}};
    auto done = job.done.get_future();
    g_main_context_invoke(
        context,
        [](gpointer data) {
            auto* job = static_cast<Job*>(data);
            job->task();
            job->done.set_value();
            return G_SOURCE_REMOVE;
        },
        &job);
    done.wait();
}

bool ServiceThread::Start(const std::string& busAddress, const char* name,
                          const std::function<bool(GDBusConnection*)>& exportObjects)
{
    guint32 answer = 0;
    Run([&] {
        const auto flags =
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
        connection = g_dbus_connection_new_for_address_sync(busAddress.c_str(), flags, nullptr,
                                                            nullptr, nullptr);
        if (!connection || !exportObjects(connection))
            return;
        g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
            connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "RequestName", g_variant_new("(su)", name, kRequestNameDoNotQueue),
            G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        if (reply)
            g_variant_get(reply, "(u)", &answer);
    });
    return answer == kRequestNamePrimaryOwner;
}
