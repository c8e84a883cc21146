#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "MonotonicClock.h"
#include "Serial.h"
#include "sim/SimDevice.h"
#include "sim/SimPlatform.h"

// A fresh, unplugged simulated device on virtual time for every case.
class SimPlatformTest : public testing::Test
{
protected:
    void SetUp() override
    {
        SetClock(&clock);
        sim::Reset();
    }

    void TearDown() override
    {
        sim::Reset();
        SetClock(nullptr);
    }

    // Advances virtual time; the next platform call runs what fell due.
    static void Advance(MonotonicClock::Duration d) { clock.Advance(d); }

    // Reads until a read comes back empty: everything the device had sent by then.
    static std::string ReadAll()
    {
        std::string received;
        uint8_t buffer[256];
        int64_t count;
        while ((count = ZephlarkSerialRead(buffer, sizeof buffer)) > 0)
            received.append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(count));
        return received;
    }

    // Shared by every case: the platform's background thread may look at the clock at any time,
    // so it must outlive them all.
    static inline VirtualClock clock;
};
