#pragma once

#include <gtest/gtest.h>

#include <chrono>

#include "MonotonicClock.h"
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

    // Shared by every case: the platform's background thread may look at the clock at any time,
    // so it must outlive them all.
    static inline VirtualClock clock;
};
