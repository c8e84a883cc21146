#pragma once

// A main window over the simulated device, on virtual time, for whole firmware updates.

#include <wx/dir.h>
#include <wx/filename.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LogCapture.h"
#include "MainFrame.h"
#include "MonotonicClock.h"
#include "WaitFor.h"
#include "deviceconnection.h"
#include "sim/SampleOsFile.h"
#include "sim/SimDevice.h"
#include "sim/SimPlatform.h"

class UpdateFlow : public testing::Test
{
protected:
    UpdateFlow();
    ~UpdateFlow() override;

    void Configure(const std::function<void(sim::DeviceSettings&)>& change);
    // Writes an OS file carrying versionText into the test's own folder; returns its path.
    wxString OsFile(const wxString& versionText, const wxString& name = "ZephlarkOS.zlos");
    wxString KeyFile(const wxString& name = "ZephlarkOS.zlkey");
    wxString Update(const wxString& osPath, const wxString& keyPath = "", bool allowOlder = false);

    // What the device's data disk holds now, and every command the device received.
    std::vector<wxString> DiskFiles();
    std::vector<std::string> DeviceCommands();
    wxString DeviceSdk();

    static wxString Successful(const wxString& version)
    {
        return "Update Successful\n\nDevice firmware version is: " + version + ".";
    }
    static wxString Failed(const wxString& version)
    {
        return "Update Failed\n\nDevice firmware version is: " + version + ".";
    }
    static wxString Error(const wxString& reason) { return "Update Error\n\n" + reason; }

    LogCapture log;
    MainFrame* frame = nullptr;
    wxString folder; // where the user's files are
};
