#include "DeviceChangeWatch.h"

#include <wx/event.h>
#include <wx/log.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "linux/UdevHandles.h"

namespace {

// Which notices mean "a device came or went". Plugging the device in makes the kernel announce
// "add" and "bind" for the USB device and its interfaces and "add" for the tty (a class device,
// never bound, so it gets no "bind"); the data disk brings "add" for the disk and each partition.
// Unplugging mirrors that with "remove" and "unbind". The subsystem filter already drops the USB
// notices; of the rest only "add" and "remove" change what a rescan finds. "change" comes for
// every device on "udevadm trigger" and for a disk whose partition table is re-read: answering it
// would rescan for nothing.
bool IsArrivalOrRemoval(udev_device* device)
{
    const char* action = udev_device_get_action(device);
    return action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0);
}

// A thread of its own waits on the monitor's socket and hands each notice to the GUI thread as a
// queued event. A firmware update's wait sleeps between its polls until an event is queued, so a
// notice ends that sleep at once; a socket watched by the event loop itself would not.
class UdevDeviceChangeWatch final : public DeviceChangeWatch, private wxEvtHandler
{
public:
    UdevDeviceChangeWatch(UdevHandle<udev_monitor> monitor, std::function<void()> onChange)
        : monitor(std::move(monitor)), onChange(std::move(onChange))
    {}

    // Joined before the handler goes, which also drops the notices still queued for it.
    ~UdevDeviceChangeWatch() override
    {
        if (listener.joinable()) {
            const uint64_t one = 1;
            if (write(stop, &one, sizeof one) != sizeof one)
                wxLogMessage("Cannot stop the device watch cleanly (%s)", wxSysErrorMsgStr(errno));
            listener.join();
        }
        if (stop >= 0)
            close(stop);
    }

    bool Start()
    {
        stop = eventfd(0, EFD_CLOEXEC);
        if (stop < 0)
            return false;
        listener = std::thread([this] { Listen(); });
        return true;
    }

private:
    void Listen()
    {
        pollfd watched[2] = {{udev_monitor_get_fd(monitor.get()), POLLIN, 0}, {stop, POLLIN, 0}};
        for (;;) {
            if (poll(watched, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                wxLogMessage("Stopped watching for devices: poll failed (%s)",
                             wxSysErrorMsgStr(errno));
                return;
            }
            if (watched[1].revents)
                return;
            if (watched[0].revents & (POLLHUP | POLLNVAL)) {
                wxLogMessage("Stopped watching for devices: the udev monitor closed");
                return;
            }
            DrainNotices();
            // The netlink socket reports ENOBUFS (POLLERR) when notices came faster than they
            // were read: some are lost, so one more rescan catches up.
            if (watched[0].revents & POLLERR)
                PostChange();
        }
    }

    // The socket is non-blocking: receives until it is empty, so that a burst of notices (a plug
    // brings several) is read in one wake-up.
    void DrainNotices()
    {
        while (UdevHandle<udev_device> device{udev_monitor_receive_device(monitor.get())}) {
            if (IsArrivalOrRemoval(device.get()))
                PostChange();
        }
    }

    void PostChange()
    {
        CallAfter([this] { onChange(); });
    }

    UdevHandle<udev_monitor> monitor;
    std::function<void()> onChange;
    int stop = -1; // eventfd: written once to end the listener
    std::thread listener;
};

UdevHandle<udev_monitor> OpenMonitor()
{
    UdevHandle<udev> context{udev_new()};
    if (!context) {
        wxLogMessage("Cannot watch for devices: udev_new failed (%s)", wxSysErrorMsgStr(errno));
        return nullptr;
    }
    // "udev", not "kernel": udev re-broadcasts a notice only after its rules ran, so the device
    // node exists with its final permissions by the time we rescan.
    UdevHandle<udev_monitor> monitor{udev_monitor_new_from_netlink(context.get(), "udev")};
    if (!monitor) {
        wxLogMessage("Cannot watch for devices: no udev monitor (%s)", wxSysErrorMsgStr(errno));
        return nullptr;
    }
    // tty for the serial port, block for the data disk.
    int result = udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "tty", nullptr);
    if (result >= 0)
        result = udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "block", nullptr);
    if (result >= 0)
        result = udev_monitor_enable_receiving(monitor.get());
    if (result < 0) {
        wxLogMessage("Cannot watch for devices: setting up the udev monitor failed (%s)",
                     wxSysErrorMsgStr(-result));
        return nullptr;
    }
    return monitor; // it keeps its own reference to the udev context
}

} // namespace

std::unique_ptr<DeviceChangeWatch> WatchDeviceChanges(std::function<void()> onChange)
{
    auto monitor = OpenMonitor();
    if (!monitor)
        return nullptr;
    auto watch = std::make_unique<UdevDeviceChangeWatch>(std::move(monitor), std::move(onChange));
    if (!watch->Start()) {
        wxLogMessage("Cannot watch for devices: no eventfd for the watch (%s)",
                     wxSysErrorMsgStr(errno));
        return nullptr;
    }
    return watch;
}
