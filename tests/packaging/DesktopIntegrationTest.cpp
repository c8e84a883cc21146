// The files installed around the program repeat facts the program holds as constants (the USB
// ids). A mismatch does not fail any build: the rule just never fires and the user sees
// "permission denied". These tests hold the copies to the constants.

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "FileBytes.h"
#include "Serial.h"

namespace {

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// udev skips a line that is not all items (KEY{attribute}<operator>"value", comma-separated),
// with a warning nobody reads. A rule that matches more than the device would hand other people's
// serial ports to the user. ModemManager's and libmtp's probes read their opt-out flags, libmtp's
// on the usb device node only; "==" there would be a match on a flag nobody set, silently
// disabling the whole rule.
TEST(UdevRule, RulesForTheTtyAndTheUsbDeviceParseMatchTheDeviceAndKeepProbersOff)
{
    const std::string item = R"re([A-Z_]+(\{[^}]+\})?(==|!=|\+=|-=|:=|=)"[^"]*")re";
    std::istringstream text(ReadBytes(ZEPHLARK_UDEV_RULE_FILE));
    std::set<bool> onUsbDevice; // each rule's
    for (std::string rule; std::getline(text, rule);) {
        if (std::regex_match(rule, std::regex("\\s*(#.*)?")))
            continue;
        EXPECT_TRUE(std::regex_match(rule, std::regex(item + "(, " + item + ")*"))) << rule;
        // The usb device carries the ids itself; its tty, given to the user, finds them on an
        // ancestor.
        const bool usb = Has(rule, "SUBSYSTEM==\"usb\"");
        onUsbDevice.insert(usb);
        // sysfs writes the ids as four lower-case hex digits, and udev compares them as strings.
        const char* attr = usb ? "ATTR" : "ATTRS";
        char ids[64];
        std::snprintf(ids, sizeof ids, R"(%s{idVendor}=="%04x", %s{idProduct}=="%04x")", attr,
                      kZephlarkUsbVendorId, attr, kZephlarkUsbProductId);
        EXPECT_TRUE(Has(rule, ids)) << rule;
        EXPECT_TRUE(Has(rule, usb ? "ENV{DEVTYPE}==\"usb_device\"" : "TAG+=\"uaccess\"")) << rule;
        EXPECT_TRUE(Has(rule, "ENV{ID_MM_DEVICE_IGNORE}=\"1\"")) << rule;
        EXPECT_TRUE(Has(rule, "ENV{MTP_NO_PROBE}=\"1\"")) << rule;
    }
    EXPECT_EQ(onUsbDevice.size(), 2u);
}

// Software centres match the modalias against the kernel's, which spells the ids in upper case.
TEST(Metainfo, OffersTheProgramForTheDevice)
{
    char modalias[40];
    std::snprintf(modalias, sizeof modalias, "<modalias>usb:v%04Xp%04Xd*</modalias>",
                  kZephlarkUsbVendorId, kZephlarkUsbProductId);
    EXPECT_TRUE(Has(ReadBytes(ZEPHLARK_METAINFO_FILE), modalias));
}

// A software centre shows the first <release> as the program's version: the changelog's newest.
TEST(Metainfo, NewestReleaseIsTheChangelogsNewest)
{
    const std::string metainfo = ReadBytes(ZEPHLARK_METAINFO_FILE);
    const std::string newest =
        "<release version=\"" ZEPHLARK_PROJECT_VERSION "\" date=\"" ZEPHLARK_RELEASE_DATE "\"";
    EXPECT_EQ(metainfo.find("<release "), metainfo.find(newest)) << "the first is not " << newest;
}

} // namespace
