// The files installed around the program repeat facts the program holds as constants (the USB ids,
// the rule's name, the version). A mismatch does not fail any build: the rule just never fires and
// the user sees "permission denied". These tests hold the copies to the constants.

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "FileBytes.h"
#include "Serial.h"

namespace {

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
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

// The rule file's rules: its lines but comments and blank ones.
std::vector<std::string> RuleLines()
{
    std::istringstream text(ReadBytes(ZEPHLARK_UDEV_RULE_FILE));
    std::vector<std::string> rules;
    for (std::string line; std::getline(text, line);)
        if (!std::regex_match(line, std::regex("\\s*(#.*)?")))
            rules.push_back(line);
    return rules;
}

// udev skips a line that is not all items (KEY{attribute}<operator>"value", comma-separated),
// with a warning nobody reads. A rule that matches more than the device would hand other people's
// serial ports to the user.
TEST(UdevRule, EveryRuleParsesAndMatchesTheDeviceIds)
{
    const std::string item = R"re([A-Z_]+(\{[^}]+\})?(==|!=|\+=|-=|:=|=)"[^"]*")re";
    const std::vector<std::string> rules = RuleLines();
    ASSERT_FALSE(rules.empty()) << "no rule in " << ZEPHLARK_UDEV_RULE_FILE;
    for (const std::string& rule : rules) {
        EXPECT_TRUE(std::regex_match(rule, std::regex(item + "(, " + item + ")*"))) << rule;
        // The usb device carries the ids itself; its tty finds them on an ancestor.
        const std::string attr = Has(rule, "SUBSYSTEM==\"usb\"") ? "ATTR" : "ATTRS";
        EXPECT_TRUE(Has(rule, attr + "{idVendor}==\"" + SysfsHex(kZephlarkUsbVendorId) + "\""))
            << rule;
        EXPECT_TRUE(Has(rule, attr + "{idProduct}==\"" + SysfsHex(kZephlarkUsbProductId) + "\""))
            << rule;
    }
}

// The tty goes to the logged-in user. ModemManager's and libmtp's probes read their opt-out
// flags, libmtp's on the usb device node only; "==" there would be a match on a flag nobody set,
// silently disabling the whole rule.
TEST(UdevRule, TtyGoesToTheUserAndNoProberTouchesTheDevice)
{
    std::string tty, usb;
    for (const std::string& rule : RuleLines())
        (Has(rule, "SUBSYSTEM==\"tty\"") ? tty : usb) = rule;
    EXPECT_TRUE(Has(tty, "TAG+=\"uaccess\"")) << tty;
    EXPECT_TRUE(Has(usb, "ENV{DEVTYPE}==\"usb_device\"")) << usb;
    for (const std::string& rule : {tty, usb}) {
        EXPECT_TRUE(Has(rule, "ENV{ID_MM_DEVICE_IGNORE}=\"1\"")) << rule;
        EXPECT_TRUE(Has(rule, "ENV{MTP_NO_PROBE}=\"1\"")) << rule;
    }
}

// udev runs rule files in name order, and the uaccess tag acts only when 73-seat-late.rules sees
// it. The serial layer's advice for a refused port names the file.
TEST(UdevRule, FileRunsBeforeSeatLateUnderTheNameTheProgramGives)
{
    EXPECT_LT(BaseName(ZEPHLARK_UDEV_RULE_FILE), std::string("73-seat-late.rules"));
    EXPECT_TRUE(Has(ReadBytes(ZEPHLARK_PERMISSION_HINT_SOURCE), BaseName(ZEPHLARK_UDEV_RULE_FILE)));
}

std::string FirstInMetainfo(const std::string& pattern)
{
    const std::string text = ReadBytes(ZEPHLARK_METAINFO_FILE);
    std::smatch match;
    return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : "";
}

// Software centres match the modalias against the kernel's, which spells the ids in upper case.
TEST(Metainfo, OffersTheProgramForTheDevice)
{
    char modalias[32];
    std::snprintf(modalias, sizeof modalias, "usb:v%04Xp%04Xd*", kZephlarkUsbVendorId,
                  kZephlarkUsbProductId);
    EXPECT_EQ(FirstInMetainfo("<modalias>([^<]*)</modalias>"), modalias);
}

// Software centres show the newest release's version and date beside the changelog's.
TEST(Metainfo, NewestReleaseIsTheChangelogsNewest)
{
    EXPECT_EQ(FirstInMetainfo(R"re(<release\s+version="([^"]*)")re"), ZEPHLARK_PROJECT_VERSION);
    EXPECT_EQ(FirstInMetainfo(R"re(<release\s[^>]*date="([^"]*)")re"), ZEPHLARK_RELEASE_DATE);
}

} // namespace
