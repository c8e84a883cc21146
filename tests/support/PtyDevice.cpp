#include "PtyDevice.h"

#include <wx/log.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

// The serving thread looks at the device's timed actions, and at what WithDevice changed, at least
// this often.
constexpr auto kIdlePoll = std::chrono::milliseconds{5};
constexpr size_t kChunkBytes = 4096;

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
    slavePath = ptsname(master);
    // Raw, so that the line discipline neither echoes nor translates.
    termios settings{};
    tcgetattr(slave, &settings);
    cfmakeraw(&settings);
    if (tcsetattr(slave, TCSANOW, &settings) != 0) {
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
    const int flags = fcntl(master, F_GETFL);
    if (flags < 0 || fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) {
        wxLogMessage("Failed to make the pseudo-terminal master %d non-blocking: %s", master,
                     std::strerror(errno));
        return;
    }
    stopping = false;
    device.SetPlugged(true);
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
    std::lock_guard<std::mutex> guard(mutex);
    f(device);
}

void PtyDevice::Stop()
{
    if (!thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> guard(mutex);
        stopping = true;
    }
    thread.join();
}

void PtyDevice::Serve()
{
    std::string pendingWrite; // device bytes taken but not yet accepted by the master
    bool hostPresent = true;
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(mutex);
            if (stopping)
                return;
            device.RunDueActions();
            if (pendingWrite.empty())
                pendingWrite = device.TakeOutput(kChunkBytes);
        }
        // With no host on the slave side the master reports a hang-up without end; leaving it
        // out of one poll keeps that from spinning.
        pollfd fd{hostPresent ? master : -1,
                  static_cast<short>(POLLIN | (pendingWrite.empty() ? 0 : POLLOUT)), 0};
        poll(&fd, 1, static_cast<int>(kIdlePoll.count()));
        hostPresent = true;
        if (fd.revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[kChunkBytes];
            const ssize_t count = read(master, buffer, sizeof buffer);
            // EIO (or end of file): nobody has the slave side open right now.
            hostPresent = count > 0 || (count < 0 && (errno == EAGAIN || errno == EINTR));
            if (count > 0) {
                std::lock_guard<std::mutex> guard(mutex);
                device.Receive(std::string_view(buffer, static_cast<size_t>(count)));
            }
        }
        if (fd.revents & POLLOUT) {
            const ssize_t written = write(master, pendingWrite.data(), pendingWrite.size());
            if (written > 0)
                pendingWrite.erase(0, static_cast<size_t>(written));
        }
    }
}

} // namespace sim
