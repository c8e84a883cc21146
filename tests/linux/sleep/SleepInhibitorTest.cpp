#include "SleepInhibitor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LogCapture.h"
#include "MockLogind.h"
#include "PrivateBus.h"
#include "WaitFor.h"

namespace {

const std::string kInhibitCall =
    "sleep:idle|Zephlark Utility|Updating the Zephlark's firmware|block";

TEST(SleepInhibitor, HoldsALogindLockForItsLifetime)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.IsRunning()) << "no private D-Bus bus, test refused: " << bus.Error();
    bus.BecomeSystemBus();
    MockLogind logind;
    ASSERT_TRUE(logind.Start(bus.Address()));

    for (size_t update = 1; update <= 2; ++update) {
        {
            SleepInhibitor inhibitor;
            ASSERT_TRUE(
                WaitUntil("logind to hand the lock over", [&] { return logind.HandedOver(); }));
            EXPECT_TRUE(logind.Held());
        }
        // The bus daemon passes the descriptor on and closes its own copy a moment later.
        EXPECT_TRUE(WaitUntil("the lock to be released", [&] { return !logind.Held(); }));
        EXPECT_EQ(logind.Calls(), std::vector<std::string>(update, kInhibitCall));
    }
}

} // namespace
