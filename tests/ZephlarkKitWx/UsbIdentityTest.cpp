#include "UsbIdentity.h"

#include <gtest/gtest.h>

namespace {

struct SameDeviceCase
{
    const char* name;
    UsbIdentity a;
    UsbIdentity b;
    bool same;
};

class SameDeviceRule : public testing::TestWithParam<SameDeviceCase>
{
};

TEST_P(SameDeviceRule, DecidesAlikeBothWays)
{
    const SameDeviceCase& c = GetParam();
    EXPECT_EQ(SameDevice(c.a, c.b), c.same);
    EXPECT_EQ(SameDevice(c.b, c.a), c.same);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SameDeviceRule,
    testing::Values(
        SameDeviceCase{
            "SerialFollowsTheDeviceToAnotherSocket", {"ZL-1", "1-2"}, {"ZL-1", "1-3"}, true},
        // Two devices through one hub socket in turn: the location alone would mix them up.
        SameDeviceCase{"OtherSerialInTheSameSocket", {"ZL-1", "1-2"}, {"ZL-2", "1-2"}, false},
        SameDeviceCase{"NoSerialOnOneSideFallsBackToLocation", {"", "1-2"}, {"ZL-1", "1-2"}, true},
        SameDeviceCase{"NoSerialAndOtherLocation", {"", "1-2"}, {"ZL-1", "1-3"}, false},
        SameDeviceCase{"NothingKnownIsNoMatch", {"", ""}, {"", ""}, false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
