#pragma once

// The yardstick beside the program: the same pseudo-terminal, set raw, drained by a plain `cat`
// into /dev/null while the same flood goes in.

#include <chrono>
#include <string>

#include "PtyFeeder.h"

struct CatReport
{
    std::string failure; // empty when the run went through
    double seconds = 0;  // first write to the moment the terminal's input queue was empty
    double cpuSeconds = 0;
    FeedReport feed;
};

// node is the terminal's slave as the program would open it; nothing else may have it open.
CatReport RunCatBaseline(const std::string& node, PtyFeeder& feeder, std::string bytes);
