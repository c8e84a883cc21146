#pragma once

// The lines the benchmark's device sends: "seq=<n> t=<ns> " padded to 64 bytes with CR LF, so
// that each handled line tells which one it was (to prove none was lost or reordered) and when
// its line feed left the device (for the delay).

#include <wx/string.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

constexpr size_t kFloodLineBytes = 64;
// The figures count in decimal megabytes, as line rates are quoted.
constexpr double kBytesPerMB = 1e6;

struct FloodLineFields
{
    uint32_t seq = 0;
    int64_t sentNs = 0; // steady-clock nanoseconds; 0 when the sender did not stamp the line
};

// The 64 bytes of one line, CR LF included.
std::string FormatFloodLine(const FloodLineFields& fields);

// The fields of a line as the host handles it (CR LF removed); nothing for any other line.
std::optional<FloodLineFields> ParseFloodLine(const wxString& line);

// The whole of a flood: count lines from firstSeq on, unstamped.
std::string FloodBytes(uint32_t firstSeq, uint32_t count);
