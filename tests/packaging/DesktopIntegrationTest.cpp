// The files installed around the program repeat facts the program holds as constants (the USB ids,
// the rule's name, the version). A mismatch does not fail any build: the rule just never fires and
// the user sees "permission denied". These tests hold the copies to the constants.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "FileBytes.h"
#include "Serial.h"

namespace {

// A udev rule line as its comma-separated items: ATTRS{idVendor}=="7e21".
using Rule = std::vector<std::string>;

// Each rule with the items it starts with; a line that is not all items (udev would skip it with
// a warning) ends in an empty item.
std::vector<Rule> ReadRules(const char* path)
{
    static const std::regex item(
        R"re(\s*([A-Z_]+(\{[^}]+\})?(==|!=|\+=|-=|:=|=)"[^"]*")\s*(,|$))re");
    std::istringstream text(ReadBytes(path));
    std::vector<Rule> rules;
    for (std::string line; std::getline(text, line);) {
        if (std::regex_match(line, std::regex("\\s*(#.*)?")))
            continue;
        Rule& rule = rules.emplace_back();
        std::smatch match;
        for (auto at = line.cbegin(); at != line.cend(); at = match.suffix().first) {
            if (!std::regex_search(at, line.cend(), match, item,
                                   std::regex_constants::match_continuous)) {
                rule.emplace_back();
                break;
            }
            rule.push_back(match[1]);
        }
    }
    return rules;
}

bool Has(const Rule& rule, const std::string& item)
{
    return std::find(rule.begin(), rule.end(), item) != rule.end();
}

// sysfs writes the ids as four lower-case hex digits, and udev compares them as strings.
std::string SysfsHex(uint16_t id)
{
    char text[5];
    std::snprintf(text, sizeof text, "%04x", id);
    return text;
}

std::string BaseName(const std::string& path)
{
    return path.substr(path.find_last_of('/') + 1);
}

class UdevRule : public testing::Test
{
protected:
    const std::vector<Rule> rules = ReadRules(ZEPHLARK_UDEV_RULE_FILE);

    const Rule* RuleFor(const std::string& subsystem) const
    {
        const auto it = std::find_if(rules.begin(), rules.end(), [&](const Rule& rule) {
            return Has(rule, "SUBSYSTEM==\"" + subsystem + "\"");
        });
        return it == rules.end() ? nullptr : &*it;
    }
};

TEST_F(UdevRule, EveryItemParses)
{
    ASSERT_FALSE(rules.empty()) << "no rule in " << ZEPHLARK_UDEV_RULE_FILE;
    for (const Rule& rule : rules)
        EXPECT_NE(rule.back(), "") << rule[0];
}

// A rule that matches more than the device would hand other people's serial ports to the user.
TEST_F(UdevRule, EveryRuleMatchesTheDeviceIds)
{
    for (const Rule& rule : rules) {
        // The usb device carries the ids itself; its tty finds them on an ancestor.
        const std::string attr = Has(rule, "SUBSYSTEM==\"usb\"") ? "ATTR" : "ATTRS";
        EXPECT_TRUE(Has(rule, attr + "{idVendor}==\"" + SysfsHex(kZephlarkUsbVendorId) + "\""))
            << rule[0];
        EXPECT_TRUE(Has(rule, attr + "{idProduct}==\"" + SysfsHex(kZephlarkUsbProductId) + "\""))
            << rule[0];
    }
}

// The tty goes to the logged-in user. ModemManager's and libmtp's probes read their opt-out
// flags, libmtp's on the usb device node only; "==" there would be a match on a flag nobody set,
// silently disabling the whole rule.
TEST_F(UdevRule, TtyGoesToTheUserAndNoProberTouchesTheDevice)
{
    const Rule* tty = RuleFor("tty");
    const Rule* usb = RuleFor("usb");
    ASSERT_TRUE(tty && usb);
    EXPECT_TRUE(Has(*tty, "TAG+=\"uaccess\""));
    EXPECT_TRUE(Has(*usb, "ENV{DEVTYPE}==\"usb_device\""));
    for (const Rule* rule : {tty, usb}) {
        EXPECT_TRUE(Has(*rule, "ENV{ID_MM_DEVICE_IGNORE}=\"1\""));
        EXPECT_TRUE(Has(*rule, "ENV{MTP_NO_PROBE}=\"1\""));
    }
}

// udev runs rule files in name order, and the uaccess tag acts only when 73-seat-late.rules sees
// it.
TEST_F(UdevRule, FileRunsBeforeSeatLate)
{
    EXPECT_LT(BaseName(ZEPHLARK_UDEV_RULE_FILE), std::string("73-seat-late.rules"));
}

TEST(PermissionHint, NamesTheInstalledRuleFile)
{
    const std::string source = ReadBytes(ZEPHLARK_PERMISSION_HINT_SOURCE);
    ASSERT_FALSE(source.empty()) << ZEPHLARK_PERMISSION_HINT_SOURCE;
    EXPECT_NE(source.find(BaseName(ZEPHLARK_UDEV_RULE_FILE)), std::string::npos);
}

class Metainfo : public testing::Test
{
protected:
    const std::string text = ReadBytes(ZEPHLARK_METAINFO_FILE);

    std::string FirstMatch(const std::string& pattern) const
    {
        std::smatch match;
        return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : "";
    }
};

// Software centres match the modalias against the kernel's, which spells the ids in upper case.
TEST_F(Metainfo, OffersTheProgramForTheDevice)
{
    char modalias[32];
    std::snprintf(modalias, sizeof modalias, "usb:v%04Xp%04Xd*", kZephlarkUsbVendorId,
                  kZephlarkUsbProductId);
    EXPECT_EQ(FirstMatch("<modalias>([^<]*)</modalias>"), modalias);
}

// Software centres show the newest release's version and date beside the changelog's.
TEST_F(Metainfo, NewestReleaseIsTheChangelogsNewest)
{
    EXPECT_EQ(FirstMatch(R"re(<release\s+version="([^"]*)")re"), ZEPHLARK_PROJECT_VERSION);
    EXPECT_EQ(FirstMatch(R"re(<release\s[^>]*date="([^"]*)")re"), ZEPHLARK_RELEASE_DATE);
}

} // namespace
