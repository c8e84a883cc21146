#pragma once

// Where a mock D-Bus service lives: a connection to the test's bus, served on a thread and main
// context of its own, so that the code under test can make its blocking calls from the test's
// thread.

#include <functional>
#include <string>
#include <thread>

typedef struct _GMainContext GMainContext;
typedef struct _GMainLoop GMainLoop;
typedef struct _GDBusConnection GDBusConnection;

class ServiceThread
{
public:
    ServiceThread();
    ~ServiceThread(); // closes the connection and ends the thread
    ServiceThread(const ServiceThread&) = delete;
    ServiceThread& operator=(const ServiceThread&) = delete;

    // Runs task on the service thread and waits for it. Objects exported and connections made
    // there dispatch their calls there.
    void Run(const std::function<void()>& task);

    // Connects to the bus at busAddress, runs exportObjects with the connection on the service
    // thread, then takes name: whoever waits for the name finds the objects. False when a step
    // fails.
    bool Start(const std::string& busAddress, const char* name,
               const std::function<bool(GDBusConnection*)>& exportObjects);

private:
    GDBusConnection* connection = nullptr; // used on the service thread only
    GMainContext* context;
    GMainLoop* loop;
    std::thread thread;
};
