#pragma once

// zephlark-cli's command line: one command, its options, its file.

#include <wx/string.h>

#include <chrono>
#include <string>
#include <vector>

// The longest --wait: a day.
inline constexpr std::chrono::seconds kLongestWait{24 * 3600};

struct CliOptions
{
    std::string command; // "info", "update", ...; empty with --help or --version alone
    bool help = false;
    bool version = false;
    bool json = false;
    bool verbose = false;
    bool allowOlder = false;
    bool yes = false;
    bool follow = false;
    std::chrono::seconds wait{5};
    bool waitGiven = false; // --wait was given
    wxString osFile;
    wxString keyFile;
    wxString port;   // --port: the device on this port
    wxString serial; // --serial: the device with this serial number
};

// Fills options from the command line; false with the reason into error when it is wrong. Even
// then options.json tells whether the reason is to be told as JSON.
[[nodiscard]] bool ParseCliOptions(const std::vector<std::string>& arguments, CliOptions& options,
                                   wxString& error);
