#include "Serial.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <setupapi.h>

#include <string>
#include <vector>

#include "LogCapture.h"
#include "PrintWxString.h"
#include "WineRegistry.h"

namespace {

// As Windows lists a composite device's CDC function: the most specific id first.
const std::vector<std::wstring> kDeviceIds = {L"USB\\VID_7E21&PID_0C4A&REV_0100&MI_00",
                                              L"USB\\VID_7E21&PID_0C4A&MI_00"};
const std::vector<std::wstring> kOtherIds = {L"USB\\VID_2341&PID_0043&REV_0001",
                                             L"USB\\VID_2341&PID_0043"};

FakePort Port(std::vector<std::wstring> ids, const wchar_t* name)
{
    return FakePort{std::move(ids), name};
}

class SerialDiscovery : public testing::Test
{
protected:
    void SetUp() override
    {
        // Another test program (or a crashed run) must not have left devices behind.
        ASSERT_TRUE(UsbPortsInEnumerationOrder().empty());
    }

    void Register(const std::wstring& deviceId, const FakePort& port,
                  const std::wstring& instance = L"5&1234&0&1")
    {
        ASSERT_TRUE(devices.AddSerialDevice(deviceId, instance, port));
    }

    RegisteredDevices devices;
    LogCapture log;
};

TEST_F(SerialDiscovery, NoDeviceIsEmptyAndQuiet)
{
    EXPECT_TRUE(FindZephlarkSerialPort().empty());
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(SerialDiscovery, DeviceIsFoundByItsPortNameAmongOtherPorts)
{
    Register(L"VID_2341&PID_0043", Port(kOtherIds, L"COM3"));
    Register(L"VID_7E21&PID_0C4A&MI_00", Port(kDeviceIds, L"COM7"));

    EXPECT_EQ(FindZephlarkSerialPort(), "COM7");
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(SerialDiscovery, IdentifiersInLowerCaseDoNotMatch)
{
    Register(L"VID_7E21&PID_0C4A", Port({L"USB\\vid_7e21&pid_0c4a&rev_0100"}, L"COM7"));

    EXPECT_TRUE(FindZephlarkSerialPort().empty());
}

TEST_F(SerialDiscovery, OnlyTheFirstHardwareIdCounts)
{
    Register(L"VID_2341&PID_0043", Port({kOtherIds[0], kDeviceIds[0]}, L"COM3"));

    EXPECT_TRUE(FindZephlarkSerialPort().empty());
}

TEST_F(SerialDiscovery, FirstOfTwoDevicesWins)
{
    Register(L"VID_7E21&PID_0C4A&MI_00", Port(kDeviceIds, L"COM7"), L"5&1111&0&1");
    Register(L"VID_7E21&PID_0C4A&MI_00", Port(kDeviceIds, L"COM8"), L"5&2222&0&2");
    const auto order = UsbPortsInEnumerationOrder();
    ASSERT_EQ(order.size(), 2u);
    const bool firstIsCom7 = order[0].find(L"1111") != std::wstring::npos;

    EXPECT_EQ(FindZephlarkSerialPort(), firstIsCom7 ? "COM7" : "COM8");
}

TEST_F(SerialDiscovery, DeviceWithoutUsablePortNameIsSkipped)
{
    FakePort broken = Port(kDeviceIds, L"");
    broken.portNameValue = PortNameValue::Missing;
    Register(L"VID_7E21&PID_0C4A&MI_00", broken, L"5&1111&0&1");
    Register(L"VID_7E21&PID_0C4A&MI_00", Port(kDeviceIds, L"COM8"), L"5&2222&0&2");

    EXPECT_EQ(FindZephlarkSerialPort(), "COM8");
}

struct BrokenPort
{
    const char* name;
    PortNameValue value;
    wxString message;
};

class SerialDiscoveryOfBrokenPort : public SerialDiscovery,
                                    public testing::WithParamInterface<BrokenPort>
{
};

TEST_P(SerialDiscoveryOfBrokenPort, IsLoggedAndNotFound)
{
    FakePort port = Port(kDeviceIds, L"COM7");
    port.portNameValue = GetParam().value;
    Register(L"VID_7E21&PID_0C4A&MI_00", port);

    EXPECT_TRUE(FindZephlarkSerialPort().empty());
    EXPECT_EQ(log.Messages(), std::vector<wxString>{GetParam().message});
}

INSTANTIATE_TEST_SUITE_P(
    Values, SerialDiscoveryOfBrokenPort,
    testing::Values(BrokenPort{"PortNameMissing", PortNameValue::Missing,
                               "RegQueryValueEx \"PortName\" failed (2)"},
                    BrokenPort{"PortNameNotText", PortNameValue::Number,
                               "RegQueryValueEx \"PortName\" unexpected key type (4)"},
                    BrokenPort{"NoDeviceKey", PortNameValue::NoDeviceKey,
                               wxString::Format("SetupDiOpenDevRegKey failed (%d)",
                                                static_cast<int>(ERROR_KEY_DOES_NOT_EXIST))}),
    [](const testing::TestParamInfo<BrokenPort>& info) { return info.param.name; });

TEST_F(SerialDiscovery, HardwareIdListLongerThanTheBufferIsLoggedAndSkipped)
{
    const std::vector<std::wstring> ids(40, kDeviceIds[0]);
    Register(L"VID_7E21&PID_0C4A&MI_00", Port(ids, L"COM7"));
    // Each id with its NUL, and the NUL that ends the list.
    const size_t listBytes = (ids.size() * (ids[0].size() + 1) + 1) * sizeof(wchar_t);
    ASSERT_GT(listBytes, 1024u);

    EXPECT_TRUE(FindZephlarkSerialPort().empty());
    EXPECT_EQ(log.Messages(), std::vector<wxString>{wxString::Format(
                                  "SetupDiGetDeviceRegistryProperty failed (%d) (required size=%d)",
                                  ERROR_INSUFFICIENT_BUFFER, static_cast<int>(listBytes))});
}

} // namespace
