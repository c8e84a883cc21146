#pragma once

// zephlark-cli's command line: one command, its options, its file.

#include <wx/string.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

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
    wxString osFile;
    wxString keyFile;
};

// The options, or the reason the command line is wrong (into error).
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& arguments,
                                          wxString& error);
