#include "FloodLine.h"

#include <cinttypes>
#include <cstdio>

namespace {

constexpr char kSeqTag[] = "seq=";
constexpr char kTimeTag[] = " t=";
constexpr size_t kSeqDigits = 10;
constexpr size_t kTimeDigits = 20;
constexpr size_t kSeqAt = sizeof kSeqTag - 1;
constexpr size_t kTimeAt = kSeqAt + kSeqDigits + sizeof kTimeTag - 1;
constexpr size_t kHandledLineChars = kFloodLineBytes - 2; // without CR LF

// Fixed-width decimal field; false on anything but digits.
template <typename Number>
bool ParseDigits(const wxString& line, size_t at, size_t digits, Number& out)
{
    Number value = 0;
    for (size_t i = at; i < at + digits; ++i) {
        const wxUniChar c = line[i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<Number>(c.GetValue() - '0');
    }
    out = value;
    return true;
}

} // namespace

std::string FormatFloodLine(const FloodLineFields& fields)
{
    char head[kFloodLineBytes + 1];
    const int used = std::snprintf(head, sizeof head, "%s%010" PRIu32 "%s%020" PRId64 " ", kSeqTag,
                                   fields.seq, kTimeTag, fields.sentNs);
    std::string line(head, static_cast<size_t>(used));
    line.resize(kHandledLineChars, '.');
    line += "\r\n";
    return line;
}

// Compared character by character: a wxString compared with a char literal converts the literal
// through the C library's locale first, which would charge the benchmark's cost to the program.
bool StartsWithSeqTag(const wxString& line)
{
    for (size_t i = 0; i < kSeqAt; ++i) {
        if (line[i] != kSeqTag[i])
            return false;
    }
    return true;
}

std::optional<FloodLineFields> ParseFloodLine(const wxString& line)
{
    if (line.length() != kHandledLineChars || !StartsWithSeqTag(line))
        return std::nullopt;
    FloodLineFields fields;
    if (!ParseDigits(line, kSeqAt, kSeqDigits, fields.seq) ||
        !ParseDigits(line, kTimeAt, kTimeDigits, fields.sentNs))
        return std::nullopt;
    return fields;
}

std::string FloodBytes(uint32_t firstSeq, uint32_t count)
{
    std::string bytes;
    bytes.reserve(static_cast<size_t>(count) * kFloodLineBytes);
    for (uint32_t i = 0; i < count; ++i)
        bytes += FormatFloodLine({firstSeq + i, 0});
    return bytes;
}
