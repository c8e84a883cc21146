#include "linux/UdevRuleText.h"

#include <sstream>

namespace {

bool Has(const std::string& line, const char* part)
{
    return line.find(part) != std::string::npos;
}

// A rule line that matches the device by its USB identity (on the tty's parent or the device).
bool MatchesZephlark(const std::string& line)
{
    return Has(line, "{idVendor}==\"7e21\"") && Has(line, "{idProduct}==\"0c4a\"");
}

template <typename Test> bool AnyRuleLine(const std::string& text, Test test)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        if (MatchesZephlark(line) && test(line))
            return true;
    }
    return false;
}

} // namespace

bool RuleGivesZephlarkTtyToUser(const std::string& text)
{
    return AnyRuleLine(text, [](const std::string& line) {
        return Has(line, "SUBSYSTEM==\"tty\"") &&
               (Has(line, "TAG+=\"uaccess\"") || Has(line, "MODE=\"0666\""));
    });
}

bool RuleKeepsModemManagerOff(const std::string& text)
{
    return AnyRuleLine(
        text, [](const std::string& line) { return Has(line, "ENV{ID_MM_DEVICE_IGNORE}=\"1\""); });
}
