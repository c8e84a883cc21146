#include "DeviceChangeWatch.h"

#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>
#include <wx/log.h>

#include <cerrno>
#include <cstring>

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

class UdevDeviceChangeWatch final : public DeviceChangeWatch, private wxEventLoopSourceHandler
{
public:
    UdevDeviceChangeWatch(UdevHandle<udev_monitor> monitor, std::function<void()> onChange)
        : monitor(std::move(monitor)), onChange(std::move(onChange))
    {}

    ~UdevDeviceChangeWatch() override { delete source; }

    bool Start()
    {
        // Static and usable before the loop runs (from OnInit); the wx loop then calls us on the
        // GUI thread whenever the monitor's socket has something.
        source = wxEventLoopBase::AddSourceForFD(udev_monitor_get_fd(monitor.get()), this,
                                                 wxEVENT_SOURCE_INPUT | wxEVENT_SOURCE_EXCEPTION);
        return source != nullptr;
    }

private:
    void OnReadWaiting() override
    {
        // The socket is non-blocking: receive until it is empty, or a burst of notices (a plug
        // brings several) would be spread over several wake-ups.
        while (UdevHandle<udev_device> device{udev_monitor_receive_device(monitor.get())}) {
            if (IsArrivalOrRemoval(device.get()))
                onChange();
        }
    }

    void OnWriteWaiting() override {}

    // The netlink socket reports ENOBUFS when notices came faster than we read them: some are
    // lost, so drain what is left and rescan once to catch up.
    void OnExceptionWaiting() override
    {
        OnReadWaiting();
        onChange();
    }

    UdevHandle<udev_monitor> monitor;
    std::function<void()> onChange;
    wxEventLoopSource* source = nullptr; // owned: deleting it takes the descriptor off the loop
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
        wxLogMessage("Cannot watch for devices: the event loop does not accept the udev monitor");
        return nullptr;
    }
    return watch;
}
