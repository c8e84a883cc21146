#include "Serial.h"
#include "SerialInternal.h"

#include <wx/log.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr auto kFirstByteWait = milliseconds{10};
constexpr auto kWriteTimeoutBase = milliseconds{1500};
constexpr auto kWriteTimeoutPerByte = milliseconds{1};
constexpr speed_t kLineSpeed = B115200;

// TIOCEXCL makes a second open() of the tty fail with EBUSY (except for root), which is the closest
// Linux gets to Windows' unshared open: a terminal program must not steal our lines. Advisory
// only, so a failure does not stop us.
void ClaimExclusively(int fd, const wxString& name)
{
    if (ioctl(fd, TIOCEXCL) < 0)
        wxLogMessage("Could not claim %s for exclusive use (%s); carrying on", name,
                     wxSysErrorMsgStr(errno));
}

// Raw bytes both ways: no line editing, no echo, no CR/LF translation, no signal characters.
// CLOCAL ignores the modem status lines (a CDC device has no real carrier), CREAD enables input.
void ConfigureLine(int fd, const wxString& name)
{
    termios settings{};
    if (tcgetattr(fd, &settings) < 0) {
        wxLogMessage("Could not read the line settings of %s: tcgetattr failed (%s)", name,
                     wxSysErrorMsgStr(errno));
        return;
    }
    cfmakeraw(&settings);
    cfsetispeed(&settings, kLineSpeed);
    cfsetospeed(&settings, kLineSpeed);
    settings.c_cflag |= CLOCAL | CREAD;
    if (tcsetattr(fd, TCSANOW, &settings) < 0)
        wxLogMessage("Could not apply the line settings of %s: tcsetattr failed (%s)", name,
                     wxSysErrorMsgStr(errno));
}

// The device only talks while DTR is up. The kernel raises it on open unless a previous user left
// the line at speed 0 (hang-up), so say it explicitly. Pseudo-terminals have no modem lines and
// answer ENOTTY or EINVAL: nothing to report there.
void AssertDtr(int fd, const wxString& name)
{
    const int dtr = TIOCM_DTR;
    if (ioctl(fd, TIOCMBIS, &dtr) < 0 && errno != ENOTTY && errno != EINVAL)
        wxLogMessage("Could not raise DTR on %s (%s)", name, wxSysErrorMsgStr(errno));
}

// What fixes a failed open, given once per port: a missing udev rule is the usual first-run
// problem on Linux, and the refresh retries the open on every hot-plug notice.
wxString OpenFailureAdvice(int error)
{
    if (error == EACCES || error == EPERM)
        // Not a path in the source tree: it is on no user's computer.
        return "Install the udev rule 60-zephlark.rules (the zephlark-utility package does; "
               "zephlark-cli doctor prints the command that writes it) and replug the device, or "
               "add yourself to the dialout group (sudo usermod -aG dialout $USER) and log in "
               "again.";
    // Another program (zephlark-cli, a terminal program) holds the port with TIOCEXCL.
    if (error == EBUSY)
        return "It is in use by another program (zephlark-cli, a terminal program?). Close it; "
               "the connection follows on the next device notice.";
    return wxString();
}

bool HungUp(short revents)
{
    return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

milliseconds WriteTimeout(size_t length)
{
    return kWriteTimeoutBase + kWriteTimeoutPerByte * static_cast<int64_t>(length);
}

// 1 when the port takes output, 0 when the deadline passed first, -1 on failure (errno set).
int WaitWritable(int fd, steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - steady_clock::now());
        if (left.count() <= 0)
            return 0;
        pollfd watch{fd, POLLOUT, 0};
        const int ready = poll(&watch, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready > 0 && HungUp(watch.revents)) {
            errno = EIO;
            return -1;
        }
        return ready;
    }
}

} // namespace

SerialHandle OpenSerialHandle(const wxString& name, SerialOpenFailure& failure)
{
    // O_NONBLOCK: without it open() of a tty waits for carrier detect, and every read and write
    // below is bounded by poll() instead of termios' VMIN/VTIME. O_NOCTTY: the device must never
    // become our controlling terminal (its hang-up would send us SIGHUP).
    const int fd = open(name.fn_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        LogFailedOpen(name, wxSysErrorMsgStr(error), OpenFailureAdvice(error));
        failure = error == EBUSY                      ? SerialOpenFailure::InUse
                  : error == EACCES || error == EPERM ? SerialOpenFailure::Denied
                                                      : SerialOpenFailure::Other;
        return kClosedSerialHandle;
    }
    ClaimExclusively(fd, name);
    ConfigureLine(fd, name);
    AssertDtr(fd, name);
    return fd;
}

void CloseSerialHandle(SerialHandle handle)
{
    const int fd = static_cast<int>(handle);
    // close() of a tty waits (up to 30 s for USB serial) until unsent output drains; a stuck device
    // must not freeze the GUI thread, so drop what it has not taken.
    tcflush(fd, TCOFLUSH);
    close(fd);
}

int64_t ReadSerialHandle(SerialHandle handle, uint8_t* buffer, uint32_t count)
{
    const int fd = static_cast<int>(handle);
    pollfd watch{fd, POLLIN, 0};
    const int ready = poll(&watch, 1, static_cast<int>(kFirstByteWait.count()));
    if (ready < 0)
        return errno == EINTR ? 0 : -1; // a signal cut the wait short: as if nothing came
    if (ready == 0)
        return 0;
    // An unplugged tty is hung up: poll reports it readable with POLLHUP/POLLERR and read() then
    // returns 0, which alone cannot be told from "nothing yet". Any input is discarded by the
    // hang-up anyway, so the flags decide.
    if (HungUp(watch.revents)) {
        errno = EIO;
        return -1;
    }
    const ssize_t got = read(fd, buffer, count);
    if (got == 0)
        errno = EIO; // end of file: the other end went away between poll and read
    else if (got < 0 && errno == EINTR)
        errno = EAGAIN; // nothing was taken: the caller may try again at once
    return got > 0 ? got : -1;
}

int64_t WriteSerialHandleOnce(SerialHandle handle, const wxString& name, const uint8_t* data,
                              size_t length)
{
    const int fd = static_cast<int>(handle);
    // The driver's output buffer stays full while the device does not read; the bound keeps the
    // GUI thread from waiting on it for ever.
    const auto deadline = steady_clock::now() + WriteTimeout(length);
    for (;;) {
        const int ready = WaitWritable(fd, deadline);
        if (ready == 0) {
            wxLogMessage("Writing to %s timed out: the device took nothing for %lld ms", name,
                         static_cast<long long>(WriteTimeout(length).count()));
            return -1;
        }
        const ssize_t written = ready > 0 ? write(fd, data, length) : -1;
        if (written >= 0)
            return written;
        if (errno != EAGAIN && errno != EINTR) {
            wxLogMessage("Writing to %s failed (%s)", name, wxSysErrorMsgStr(errno));
            return -1;
        }
        // Writable by poll but full again by the time write() ran: wait for the rest of the bound.
    }
}
