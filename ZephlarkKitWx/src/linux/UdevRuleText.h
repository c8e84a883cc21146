#pragma once

// What a udev rule file says about the device, read from its text (comments skipped): whether it
// gives the logged-in user the device's tty, and whether it keeps ModemManager off the device.

#include <string>

bool RuleGivesZephlarkTtyToUser(const std::string& text);
bool RuleKeepsModemManagerOff(const std::string& text);
