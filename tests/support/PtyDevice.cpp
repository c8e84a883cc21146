#include "PtyDevice.h"

#include <wx/log.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

// The serving thread wakes at least this often to run the device's timed actions.
constexpr auto kIdlePoll = std::chrono::milliseconds{5};
constexpr size_t kChunkBytes = 4096;

bool MakeNonBlocking(int fd)
{
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool MakeRaw(int fd)
{
    termios settings{};
    if (tcgetattr(fd, &settings) != 0)
        return false;
    cfmakeraw(&settings);
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

} // namespace

PtyDevice::PtyDevice()
{
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        wxLogMessage("Failed to open a pseudo-terminal for the simulated device: %s",
                     std::strerror(errno));
        return;
    }
    ownsMaster = true;
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    const char* name = ptsname(master);
    slavePath = name ? name : "";
    if (!MakeRaw(slave)) {
        wxLogMessage("Failed to make %s raw: %s", slavePath, std::strerror(errno));
        return;
    }
    Start();
}

PtyDevice::PtyDevice(int masterFd) : master(masterFd)
{
    Start();
}

PtyDevice::~PtyDevice()
{
    Stop();
    if (slave >= 0)
        close(slave);
    if (ownsMaster)
        close(master);
}

void PtyDevice::Start()
{
    if (!MakeNonBlocking(master)) {
        wxLogMessage("Failed to make the pseudo-terminal master %d non-blocking: %s", master,
                     std::strerror(errno));
        return;
    }
    wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
        wxLogMessage("Failed to create the simulated device's wake-up event: %s",
                     std::strerror(errno));
        return;
    }
    {
        std::lock_guard<std::mutex> guard(mutex);
        stopping = false;
        pendingWrite.clear();
        device.SetPlugged(true);
    }
    thread = std::thread([this] { Serve(); });
}

void PtyDevice::Attach(int masterFd)
{
    Stop();
    if (ownsMaster)
        close(master);
    if (slave >= 0)
        close(slave);
    master = masterFd;
    ownsMaster = false;
    slave = -1;
    slavePath.clear();
    Start();
}

void PtyDevice::WithDevice(const std::function<void(SimDevice&)>& f)
{
    {
        std::lock_guard<std::mutex> guard(mutex);
        f(device);
    }
    Wake();
}

void PtyDevice::Stop()
{
    if (thread.joinable()) {
        {
            std::lock_guard<std::mutex> guard(mutex);
            stopping = true;
        }
        Wake();
        thread.join();
    }
    if (wakeFd >= 0) {
        close(wakeFd);
        wakeFd = -1;
    }
}

void PtyDevice::Serve()
{
    bool hostPresent = true;
    for (;;) {
        bool deviceHasBytes = false;
        {
            std::lock_guard<std::mutex> guard(mutex);
            if (stopping)
                return;
            device.RunDueActions();
            deviceHasBytes = !pendingWrite.empty() || device.PendingOutput() > 0;
        }
        // With no host on the slave side the master reports a hang-up without end; leaving it
        // out of one poll keeps that from spinning.
        pollfd fds[] = {{hostPresent ? master : -1,
                         static_cast<short>(POLLIN | (deviceHasBytes ? POLLOUT : 0)), 0},
                        {wakeFd, POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(kIdlePoll.count())) < 0 && errno != EINTR) {
            wxLogMessage("Simulated device stopped: poll of %d failed: %s", master,
                         std::strerror(errno));
            return;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t ignored;
            (void)!read(wakeFd, &ignored, sizeof ignored);
        }
        if (!hostPresent) {
            hostPresent = true; // look again next time round
            continue;
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR))
            hostPresent = PumpHostBytes();
        if (fds[0].revents & POLLOUT)
            PumpDeviceBytes();
    }
}

bool PtyDevice::PumpHostBytes()
{
    char buffer[kChunkBytes];
    const ssize_t count = read(master, buffer, sizeof buffer);
    if (count > 0) {
        std::lock_guard<std::mutex> guard(mutex);
        device.Receive(std::string_view(buffer, static_cast<size_t>(count)));
        return true;
    }
    // EIO (or end of file): nobody has the slave side open right now.
    return count < 0 && (errno == EAGAIN || errno == EINTR);
}

void PtyDevice::PumpDeviceBytes()
{
    std::lock_guard<std::mutex> guard(mutex);
    if (pendingWrite.empty())
        pendingWrite = device.TakeOutput(kChunkBytes);
    const ssize_t written = write(master, pendingWrite.data(), pendingWrite.size());
    if (written > 0)
        pendingWrite.erase(0, static_cast<size_t>(written));
}

void PtyDevice::Wake()
{
    const uint64_t one = 1;
    if (wakeFd >= 0)
        (void)!write(wakeFd, &one, sizeof one);
}

} // namespace sim
