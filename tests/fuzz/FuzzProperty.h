#pragma once

#include <cstdio>
#include <cstdlib>

// A property that does not hold ends the run with an abort, so that libFuzzer keeps the input as
// a crash and the replay of a corpus fails, naming the property.
inline void RequireProperty(bool holds, const char* property)
{
    if (holds)
        return;
    std::fprintf(stderr, "Fuzz property violated: %s\n", property);
    std::abort();
}
