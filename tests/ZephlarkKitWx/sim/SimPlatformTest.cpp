// The simulated platform against the shared serial contract (tests/contract): the tests of the
// device link run on it, so it must keep the promises the real platforms keep.

#include <gtest/gtest.h>

#include "LogCapture.h"
#include "Serial.h"
#include "SerialDeviceEnd.h"
#include "sim/SampleOsFile.h"
#include "sim/SimPlatform.h"

namespace {

class SimModelEnd : public SerialDeviceEnd
{
public:
    SimModelEnd()
    {
        sim::Reset();
        sim::Plug();
    }
    ~SimModelEnd() override { sim::Reset(); }

    wxString PortName() override { return FindZephlarkSerialPort(); }
    wxString AbsentPortName() override { return "simACM1"; }
    void Send(const std::string& bytes) override { sim::Emit(bytes); }
    std::string Received(size_t) override
    {
        const std::string written = sim::Written();
        sim::ClearWritten();
        return written;
    }
    bool HangUp() override
    {
        sim::Unplug();
        return true;
    }
    std::unique_ptr<SerialDeviceEnd> Another() override { return nullptr; }
};

// zephlark-make-os-file has only this message to tell its user why it failed.
TEST(SampleOsFile, FileThatCannotBeCreatedIsLogged)
{
    LogCapture log;
    EXPECT_FALSE(sim::WriteSampleOsFile("/nonexistent-folder/update.zlos", "2.0.0"));
    EXPECT_TRUE(log.Contains("Failed to create the OS file /nonexistent-folder/update.zlos."));
}

} // namespace

std::unique_ptr<SerialDeviceEnd> MakeSerialDeviceEnd(std::string&)
{
    return std::make_unique<SimModelEnd>();
}
