// The files installed around the program repeat facts the program holds as constants (the USB ids,
// the rule's name, the version). A mismatch does not fail any build: the rule just never fires and
// the user sees "permission denied". These tests hold the copies to the constants.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "Serial.h"

namespace {

// One "KEY{attribute}OP"value"" item of a udev rule line.
struct RuleItem
{
    std::string key; // with its {attribute}: ATTRS{idVendor}, ENV{MTP_NO_PROBE}, SUBSYSTEM
    std::string op;  // ==, !=, =, +=, -=, :=
    std::string value;
};

struct Rule
{
    int lineNumber;
    std::vector<RuleItem> items;

    const RuleItem* Find(const std::string& key) const
    {
        const auto it = std::find_if(items.begin(), items.end(),
                                     [&](const RuleItem& item) { return item.key == key; });
        return it == items.end() ? nullptr : &*it;
    }
    bool Has(const std::string& key, const std::string& op, const std::string& value) const
    {
        const RuleItem* item = Find(key);
        return item != nullptr && item->op == op && item->value == value;
    }
};

std::string ReadText(const char* path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Items are comma-separated; a comma inside a quoted value belongs to the value. An item that does
// not parse is returned with an empty op, so that the test can name it.
std::vector<RuleItem> SplitRuleLine(const std::string& line)
{
    static const std::regex itemPattern(
        R"re(^\s*([A-Z_]+(?:\{[^}]+\})?)\s*(==|!=|\+=|-=|:=|=)\s*"([^"]*)"\s*$)re");
    std::vector<std::string> pieces(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        if (c == ',' && !quoted)
            pieces.emplace_back();
        else
            pieces.back() += c;
    }
    std::vector<RuleItem> items;
    for (const std::string& piece : pieces) {
        std::smatch match;
        if (std::regex_match(piece, match, itemPattern))
            items.push_back({match[1], match[2], match[3]});
        else
            items.push_back({piece, "", ""});
    }
    return items;
}

std::vector<Rule> ReadRules(const char* path)
{
    std::istringstream text(ReadText(path));
    std::vector<Rule> rules;
    std::string line;
    for (int lineNumber = 1; std::getline(text, line); ++lineNumber) {
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        rules.push_back({lineNumber, SplitRuleLine(line)});
    }
    return rules;
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
            return rule.Has("SUBSYSTEM", "==", subsystem);
        });
        return it == rules.end() ? nullptr : &*it;
    }
};

TEST_F(UdevRule, EveryItemParses)
{
    ASSERT_FALSE(rules.empty()) << "no rule in " << ZEPHLARK_UDEV_RULE_FILE;
    for (const Rule& rule : rules)
        for (const RuleItem& item : rule.items)
            EXPECT_FALSE(item.op.empty()) << "line " << rule.lineNumber << ": " << item.key;
}

// A rule that matches more than the device would hand other people's serial ports to the user.
TEST_F(UdevRule, EveryRuleMatchesTheDeviceIds)
{
    for (const Rule& rule : rules) {
        // The usb device carries the ids itself; its tty finds them on an ancestor.
        const std::string attr = rule.Has("SUBSYSTEM", "==", "usb") ? "ATTR" : "ATTRS";
        EXPECT_TRUE(rule.Has(attr + "{idVendor}", "==", SysfsHex(kZephlarkUsbVendorId)))
            << "line " << rule.lineNumber;
        EXPECT_TRUE(rule.Has(attr + "{idProduct}", "==", SysfsHex(kZephlarkUsbProductId)))
            << "line " << rule.lineNumber;
    }
}

TEST_F(UdevRule, TtyGoesToTheLoggedInUserAndNoProber)
{
    const Rule* tty = RuleFor("tty");
    ASSERT_NE(tty, nullptr);
    EXPECT_TRUE(tty->Has("TAG", "+=", "uaccess"));
    // "==" here would be a match on a flag nobody set, silently disabling the whole rule.
    EXPECT_TRUE(tty->Has("ENV{ID_MM_DEVICE_IGNORE}", "=", "1"));
    EXPECT_TRUE(tty->Has("ENV{MTP_NO_PROBE}", "=", "1"));
}

// libmtp's probe runs on the usb device node and never looks at the tty.
TEST_F(UdevRule, UsbDeviceOptsOutOfProbing)
{
    const Rule* usb = RuleFor("usb");
    ASSERT_NE(usb, nullptr);
    EXPECT_TRUE(usb->Has("ENV{DEVTYPE}", "==", "usb_device"));
    EXPECT_TRUE(usb->Has("ENV{MTP_NO_PROBE}", "=", "1"));
    EXPECT_TRUE(usb->Has("ENV{ID_MM_DEVICE_IGNORE}", "=", "1"));
}

// udev runs rule files in name order, and the uaccess tag acts only when 73-seat-late.rules sees
// it.
TEST_F(UdevRule, FileRunsBeforeSeatLate)
{
    EXPECT_LT(BaseName(ZEPHLARK_UDEV_RULE_FILE), std::string("73-seat-late.rules"));
}

TEST(PermissionHint, NamesTheInstalledRuleFile)
{
    const std::string source = ReadText(ZEPHLARK_PERMISSION_HINT_SOURCE);
    ASSERT_FALSE(source.empty()) << ZEPHLARK_PERMISSION_HINT_SOURCE;
    EXPECT_NE(source.find(BaseName(ZEPHLARK_UDEV_RULE_FILE)), std::string::npos);
}

class Metainfo : public testing::Test
{
protected:
    const std::string text = ReadText(ZEPHLARK_METAINFO_FILE);

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

TEST_F(Metainfo, NewestReleaseIsTheProjectVersion)
{
    EXPECT_EQ(FirstMatch(R"re(<release\s+version="([^"]*)")re"), ZEPHLARK_PROJECT_VERSION);
}

TEST_F(Metainfo, LaunchesTheInstalledDesktopEntry)
{
    const std::string id = FirstMatch("<id>([^<]*)</id>");
    EXPECT_EQ(FirstMatch(R"(<launchable type="desktop-id">([^<]*)</launchable>)"), id + ".desktop");
    EXPECT_EQ(BaseName(ZEPHLARK_DESKTOP_FILE), id + ".desktop");
    EXPECT_EQ(BaseName(ZEPHLARK_METAINFO_FILE), id + ".metainfo.xml");
}

} // namespace
