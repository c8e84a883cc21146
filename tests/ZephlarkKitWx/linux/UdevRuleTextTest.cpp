// What doctor reads from a udev rule: rules that miss a part do not pass. (The shipped rule is
// checked by doctor in e2e_cli_through_linux.)

#include <gtest/gtest.h>

#include "linux/UdevRuleText.h"

namespace {

struct RuleCase
{
    const char* name;
    const char* text;
    bool givesTty;
    bool keepsModemManagerOff;
};

class UdevRuleText : public testing::TestWithParam<RuleCase>
{
};

TEST_P(UdevRuleText, TellsWhatTheRuleDoes)
{
    EXPECT_EQ(RuleGivesZephlarkTtyToUser(GetParam().text), GetParam().givesTty);
    EXPECT_EQ(RuleKeepsModemManagerOff(GetParam().text), GetParam().keepsModemManagerOff);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, UdevRuleText,
    testing::Values(
        RuleCase{"OtherDevice",
                 R"(SUBSYSTEM=="tty", ATTRS{idVendor}=="7e21", ATTRS{idProduct}=="0c4b", )"
                 R"(TAG+="uaccess", ENV{ID_MM_DEVICE_IGNORE}="1")",
                 false, false},
        RuleCase{"CommentedOut",
                 R"(# SUBSYSTEM=="tty", ATTRS{idVendor}=="7e21", ATTRS{idProduct}=="0c4a", )"
                 R"(TAG+="uaccess")",
                 false, false},
        RuleCase{"NoUaccess",
                 R"(SUBSYSTEM=="tty", ATTRS{idVendor}=="7e21", ATTRS{idProduct}=="0c4a", )"
                 R"(ENV{ID_MM_DEVICE_IGNORE}="1")",
                 false, true},
        RuleCase{"UsbDeviceOnly",
                 R"(SUBSYSTEM=="usb", ATTR{idVendor}=="7e21", ATTR{idProduct}=="0c4a", )"
                 R"(TAG+="uaccess")",
                 false, false}),
    [](const testing::TestParamInfo<RuleCase>& info) { return info.param.name; });

} // namespace
