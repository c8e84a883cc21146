#pragma once

// The exit status of zephlark-cli, one per outcome a script may want to act on.
enum ExitCode : int
{
    kExitSuccess = 0,
    kExitFailed = 1,        // the update, recovery or reset ran and did not succeed
    kExitBadArguments = 2,  // a bad command line, or a file that cannot be read or is no OS file
    kExitNoDevice = 3,      // no Zephlark within the wait (or its port may not be opened)
    kExitDeviceBusy = 4,    // another program holds the Zephlark's port
    kExitRefused = 5,       // the update refused its files: older version, unusable name, no space
    kExitProblemsFound = 6, // doctor found something to fix
    kExitInterrupted = 130, // Ctrl+C, as shells report a program ended by SIGINT
};
