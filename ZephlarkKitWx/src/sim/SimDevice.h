#pragma once

// A model of the Zephlark as its USB host sees it: a console that takes command lines and answers
// with device lines, a data-disk mode backed by a folder, restarts that take it off USB for a
// while, an OS install from the files on that disk, and settable timings and faults.
// Transport-independent and single-threaded: the in-process sim platform and PtyDevice each wrap it
// in their own lock and feed it bytes.
//
// Timed behaviour runs on TheClock(): actions are scheduled for a time and run by RunDueActions,
// which the owner calls whenever it touches the model (and now and then while idle).

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MonotonicClock.h"

namespace sim {

inline constexpr char kDefaultTarget[] = "zephlark";
inline constexpr char kDefaultBootBuild[] = "7";
inline constexpr char kDefaultBuild[] = "1.4.2";
inline constexpr char kDefaultSdk[] = "1.4.2";
inline constexpr char kDefaultSerialNumber[] = "ZL-000123";
inline constexpr char kDiskLabel[] = "ZEPHLARK";

struct VersionRecord
{
    std::string target = kDefaultTarget;
    std::string bootBuild = kDefaultBootBuild;
    std::string build = kDefaultBuild;
    std::string sdk = kDefaultSdk;
    std::string serialNumber = kDefaultSerialNumber;
};

// How an install ("fwup") goes wrong, at the stage the host follows it through.
enum class InstallFault
{
    None,
    FailedStatus,        // unpacking stops with the status "Unpacking failed"
    ErrorLine,           // unpacking stops with a "fwup_error:" line
    Silent,              // the command gets no line at all
    StaysAfterReady,     // announces its restart and never leaves USB
    LostInFirstRestart,  // leaves USB for its first restart and never comes back
    NoFlashReport,       // back from its first restart, it never reports the flash: no second
                         // restart, the old system stays
    StaysAfterFlash,     // reports the flash and never leaves USB
    LostInSecondRestart, // reports the flash, leaves USB and never comes back
};

// What the device is and how it misbehaves; tests change it freely between calls.
struct DeviceSettings
{
    VersionRecord version;
    // False: its USB descriptor carries no serial string, and only its "version" answer tells it.
    bool usbSerialString = true;
    // Time off USB for a restart: after "factoryreset", and twice in an install.
    MonotonicClock::Duration restartDelay = std::chrono::milliseconds{2000};
    // Between two status lines of an install.
    MonotonicClock::Duration installStepDelay = std::chrono::milliseconds{500};
    // From a line that announces a restart until the device leaves USB: the host's time to read
    // it before the port goes.
    MonotonicClock::Duration restartNoticeDelay = std::chrono::milliseconds{500};
    // Flashing: from the return after an install's first restart until "flash complete".
    MonotonicClock::Duration flashDelay = std::chrono::milliseconds{4000};
    InstallFault installFault = InstallFault::None;
    // From "datadisk" until the disk is presented.
    MonotonicClock::Duration diskDelay = std::chrono::milliseconds{1500};
    // From the disk's eject until the device is back in serial mode.
    MonotonicClock::Duration ejectReturnDelay = std::chrono::milliseconds{1000};
    // The data disk's contents, where an install looks for its files. Left empty, the sim
    // platform makes a temporary folder when the disk is first presented; until then an install
    // finds nothing.
    std::filesystem::path diskFolder;
    std::string diskLabel = kDiskLabel; // "zephlark" gives a disk in the wrong case
    bool diskNeverAppears = false;      // "datadisk" leaves serial mode and nothing comes
    bool diskRefusesEject = false;      // the host's eject is refused, the disk stays
    // The disk's write speed, on TheClock(): a copy takes its real time on the steady clock and
    // none on a virtual one. 0 writes at the host's own speed.
    uint64_t diskBytesPerSecond = 1'000'000;
    // What the disk reports as free, whatever it holds.
    uint64_t diskFreeBytes = 256 * 1024 * 1024;
    // The medium flips the byte at this offset of the next file synced to it, once (a file too
    // short for it stays whole): a copy that reads back different from what was written.
    std::optional<uint64_t> corruptByteOfNextCopy;
};

// What the host sees of the device on USB.
enum class UsbFace
{
    None,
    Serial,
    Disk
};

class SimDevice
{
public:
    SimDevice() = default;
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    DeviceSettings& Settings() { return settings; }

    // The USB cable. The device keeps running (and its timers keep going) while unplugged.
    void SetPlugged(bool plugged);
    bool IsPlugged() const { return plugged; }
    UsbFace Face() const;
    // Grows each time the serial face (re)appears: a host handle opened on an older session has
    // been hung up, even when the device came back under the same name meanwhile.
    uint64_t SerialSession() const { return serialSession; }
    // The serial face goes and comes back at once, as when the system renames the port.
    void Reenumerate();
    // Called once per change of Face() (and per Reenumerate), from inside the call that caused it.
    // It must not call back into the device.
    void SetFaceListener(std::function<void()> listener);

    // Bytes from the host. Dropped unless the serial face is up.
    void Receive(std::string_view bytes);
    // Raw bytes from the device to the host, behind whatever is already waiting. Dropped unless
    // the serial face is up, since there is nowhere to send them.
    void Emit(std::string_view bytes);
    size_t PendingOutput() const { return output.size() - outputStart; }
    std::string TakeOutput(size_t maxBytes);

    // The host ejects the presented disk. False when the device refuses; otherwise the disk goes
    // and the device returns to serial mode after the eject delay.
    bool EjectDisk();

    // Runs every scheduled action whose time has come, in time order. Returns how many ran.
    int RunDueActions();
    bool HasScheduledActions() const { return !scheduled.empty(); }

    // Every command line received, in order, CR removed.
    const std::vector<std::string>& Commands() const { return commands; }

private:
    // Away covers every stretch off USB: restarting, switching to or from the data disk.
    enum class Mode
    {
        Serial,
        Disk,
        Away
    };

    struct ScheduledAction
    {
        MonotonicClock::TimePoint due;
        uint64_t order; // keeps actions due at the same time in the order they were scheduled
        std::function<void()> action;
    };

    void HandleLine(const std::string& line);
    void SendLine(std::string_view text);
    void SendVersionReport();
    void FactoryReset();
    void EnterDataDisk();
    void LeaveForRestart();
    // The install, in SimDeviceInstall.cpp.
    void StartInstall(std::string_view arguments);
    void RestartIntoFlashing();
    void FinishFlashing();
    void RestartAfterFlashing();
    void SetMode(Mode newMode);
    void After(MonotonicClock::Duration delay, std::function<void()> action);
    void FaceMayHaveChanged(UsbFace before);

    DeviceSettings settings;
    bool plugged = false;
    Mode mode = Mode::Serial;
    uint64_t serialSession = 0;
    std::function<void()> faceListener;

    std::string lineBuffer;
    std::string output; // bytes before outputStart are already taken
    size_t outputStart = 0;

    std::vector<ScheduledAction> scheduled;
    uint64_t nextOrder = 0;

    std::string installingVersion;
    std::vector<std::string> commands;
};

} // namespace sim
