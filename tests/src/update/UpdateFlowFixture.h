#pragma once

// Whole firmware updates over the simulated device, on virtual time.

#include <wx/filename.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "update/FirmwareUpdate.h"
#include "update/FirmwareUpdateProgress.h"
#include "MonotonicClock.h"
#include "WaitFor.h"
#include "deviceconnection.h"
#include "sim/SampleOsFile.h"
#include "sim/SimDevice.h"
#include "sim/SimPlatform.h"

// The simulated device plugged in, on virtual time, and a folder for the user's files.
// Public, for the steps a table of faults sets off.
class SimUpdateTest : public testing::Test
{
public:
    // The first of `devices` plugged in.
    explicit SimUpdateTest(size_t devices = 1);
    ~SimUpdateTest() override;

    void Configure(const std::function<void(sim::DeviceSettings&)>& change);
    // Writes an OS file carrying versionText into the test's own folder; returns its path.
    wxString OsFile(const wxString& versionText, const wxString& name = "ZephlarkOS.zlos");
    wxString KeyFile(const wxString& name = "ZephlarkOS.zlkey");

    // What the data disk of the device updated (or another) holds now, and every command the
    // device updated received.
    std::vector<wxString> DiskFiles() { return DiskFiles(updated); }
    std::vector<wxString> DiskFiles(size_t device);
    std::vector<std::string> DeviceCommands();
    // Whether the journal of the device updated is in the state folder.
    bool JournalKept() const;
    // Virtual time passes with nobody connected (the program is not running).
    static void LetTimePass(MonotonicClock::Duration d);

    static wxString Successful(const wxString& version)
    {
        return "Update Successful\n\nDevice firmware version is: " + version + ".";
    }
    static wxString Error(const wxString& reason) { return "Update Error\n\n" + reason; }

    LogCapture log;
    wxString folder; // where the user's files are
    // True while the reader has not taken all the device said: virtual time waits for it.
    std::function<bool()> readerBehind;
    // The device updated: the first unless a test says otherwise.
    size_t updated = 0;
    wxString updatedSerial = sim::kDefaultSerialNumber;
};

// Lets a test step in half way through a copy.
class InterruptibleProgress : public FirmwareUpdateProgress
{
public:
    void Pulse(const wxString&) override {}
    bool StopRequested() const override { return stop; }
    void Fraction(const wxString&, double) override
    {
        if (onFraction)
            onFraction();
    }
    std::function<void()> onFraction;
    bool stop = false;
};

// The update engine over the simulated device, with no window.
class UpdateFlow : public SimUpdateTest
{
public:
    UpdateFlow();

    // The result's text; the whole result in result.
    wxString Update(const wxString& osPath, const wxString& keyPath = "", bool allowOlder = false);
    // The program starts again: a new connection waits for the device (or its disk), as the
    // command line's recover does.
    void StartAgain();
    // Lets virtual time pass, the events running, until condition holds; fails after a minute.
    void Await(const char* what, const std::function<bool()>& condition);

    std::unique_ptr<DeviceConnection> connection = std::make_unique<DeviceConnection>(nullptr);
    InterruptibleProgress progress;
    UpdateResult result{};
};
