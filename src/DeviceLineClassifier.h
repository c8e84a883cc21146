#pragma once

#include <wx/string.h>

#include <deque>
#include <optional>

class DeviceInterface;
class SerialLineQueue;

// The log component of the device's own text (console lines, its version report), so that a log
// target can tell it from the program's messages.
inline constexpr char kDeviceTextLogComponent[] = "zephlark/device";

// What the device said about itself in its last version report.
struct DeviceVersionRecord
{
    wxString target;
    wxString bootBuild;
    wxString build;
    wxString sdk;
    wxString serialNumber;

    [[nodiscard]] bool Complete() const;
};

// Reads the device's lines from the reader's queue: console lines go to the log, lines starting
// with "~" switch its state or carry reports. In automatic reading the lines are handled as they
// come; in manual reading the firmware update takes them one by one. GUI thread only.
class DeviceLineClassifier
{
public:
    enum ReadMode
    {
        Automatic = 0,
        Manual = 1
    };

    // The owner, if any, hears when a version report is complete.
    DeviceLineClassifier(SerialLineQueue& lines, DeviceInterface* owner);

    // When reading automatically: one pass over the complete lines waiting, up to a bounded
    // number, then the next notification allowed.
    void PassAutomatically();

    void SetReadMode(ReadMode mode);
    wxString ReadSerialLine();
    // While held, the device text that automatic handling logs is also kept, and ReadSerialLine
    // hands it out first: a status line the device sends while nobody reads manually (during a
    // restart, before the device is identified again) still reaches the firmware update.
    void HoldDeviceText(bool hold);

    // The end of a connection's input, with the reader parked: what the device finished saying is
    // handled as usual, its unfinished last line goes, and the classifier starts afresh, so that
    // nothing of one connection (a half line, a "~stats:" state) spills into the next.
    void EndConnectionInput();
    // The target stays: a device that comes back is normally the same kind of device.
    void ClearVersionRecord();
    const DeviceVersionRecord& Version() const { return version; }

private:
    // One pass over the complete lines waiting: in automatic reading up to a bounded number, in
    // manual reading one. Returns the last line taken (empty when none).
    wxString HandleSerialInput();

    enum InputState
    {
        Normal,
        Screenshot,
        Stats,
        MemStats,
        VersionReport
    };

    void ClassifyNormalLine(const wxString& line);
    void AbsorbTraceLine(const wxString& line);
    void HoldForUpdate(const wxString& line);
    void ReadVersion(const wxString& line);

    SerialLineQueue& lineQueue;
    DeviceInterface* const deviceInterface;
    InputState inputState = Normal;
    ReadMode readMode = Automatic;
    std::optional<wxString> traceBudget;
    DeviceVersionRecord version;
    bool holdingDeviceText = false;
    std::deque<wxString> heldDeviceText; // oldest first, bounded
};
