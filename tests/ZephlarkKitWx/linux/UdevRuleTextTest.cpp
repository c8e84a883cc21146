// What doctor reads from a udev rule: a rule that misses a part does not pass, one row per part.
// (The shipped rule is checked by doctor in e2e_cli_through_linux.)

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linux/UdevRuleText.h"

namespace {

struct Rule
{
    std::string text;
    bool givesTty;
    bool keepsModemManagerOff;
};

TEST(UdevRuleText, TellsWhatTheRuleDoes)
{
    const std::string tty = R"(SUBSYSTEM=="tty", )";
    const std::string ours = R"(ATTRS{idVendor}=="7e21", ATTRS{idProduct}=="0c4a", )";
    const std::string other = R"(ATTRS{idVendor}=="7e21", ATTRS{idProduct}=="0c4b", )";
    const std::string uaccess = R"(TAG+="uaccess", )";
    const std::string ignored = R"(ENV{ID_MM_DEVICE_IGNORE}="1")";
    for (const Rule& rule :
         std::vector<Rule>{{tty + other + uaccess + ignored, false, false},
                           {"# " + tty + ours + uaccess + ignored, false, false},
                           {tty + ours + ignored, false, true},
                           {R"(SUBSYSTEM=="usb", )" + ours + uaccess, false, false}}) {
        EXPECT_EQ(RuleGivesZephlarkTtyToUser(rule.text), rule.givesTty) << rule.text;
        EXPECT_EQ(RuleKeepsModemManagerOff(rule.text), rule.keepsModemManagerOff) << rule.text;
    }
}

} // namespace
