#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "DeviceInterface.h"
#include "LogCapture.h"
#include "sim/SimPlatform.h"
#include "WaitFor.h"
#include "deviceconnection.h"
#include "readthread.h"

// Records what the connection tells its owner.
class RecordingOwner : public DeviceInterface
{
public:
    void DeviceConnectionChanged(bool connected) override { changes.push_back(connected); }
    std::vector<bool> changes;
};

// A DeviceConnection over the simulated device, which starts unplugged.
class ConnectionTest : public testing::Test
{
protected:
    ConnectionTest() { sim::Reset(); }
    ~ConnectionTest() override
    {
        connection.reset();
        sim::Reset();
    }

    // Plugs the device in, connects and waits until the version report has been handled.
    void ConnectIdentified()
    {
        sim::Plug();
        connection->RefreshDeviceConnections();
        ASSERT_TRUE(WaitFor("the device to be identified",
                            [this] { return connection->IsDeviceIdentified(); }));
    }

    LogCapture log;
    RecordingOwner owner;
    std::unique_ptr<DeviceConnection> connection = std::make_unique<DeviceConnection>(&owner);
};
