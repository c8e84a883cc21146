#pragma once

// The exit status of zephlark-cli, one per outcome a script may want to act on.

#include <array>

enum ExitCode : int
{
    kExitSuccess = 0,
    kExitFailed = 1,
    kExitBadArguments = 2,
    kExitNoDevice = 3,
    kExitDeviceBusy = 4,
    kExitRefused = 5,
    kExitProblemsFound = 6,
    kExitSeveralDevices = 7,
    kExitInterrupted = 130, // as shells report a program ended by SIGINT
};

struct ExitCodeMeaning
{
    ExitCode code;
    const char* meaning;
};

// What each code tells, as the usage lists it.
inline constexpr std::array<ExitCodeMeaning, 9> kExitCodeMeanings = {{
    {kExitSuccess, "success"},
    {kExitFailed, "the update, recovery or reset ran and did not succeed"},
    {kExitBadArguments, "bad arguments, or a file that cannot be read or is no OS file"},
    {kExitNoDevice, "no Zephlark within the wait (or its port may not be opened)"},
    {kExitDeviceBusy, "another program holds the Zephlark's port or is updating it"},
    {kExitRefused, "the update refused its files (older version, unusable name, no space)"},
    {kExitProblemsFound, "doctor found something to fix"},
    {kExitSeveralDevices, "several Zephlarks are plugged in and none was named"},
    {kExitInterrupted, "Ctrl+C"},
}};
