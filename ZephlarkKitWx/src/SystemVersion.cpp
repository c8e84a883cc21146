#include "SystemVersion.h"

#include <wx/log.h>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The run of digits starting at position; position moves past it.
std::string TakeDigits(const std::string& text, size_t& position)
{
    const size_t start = position;
    while (position < text.size() && IsDigit(text[position]))
        ++position;
    return text.substr(start, position - start);
}

std::string WithoutLeadingZeros(const std::string& digits)
{
    const size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? std::string() : digits.substr(first);
}

// Orders two non-negative decimal numbers of any length: -1, 0 or 1.
int CompareNumbers(const std::string& a, const std::string& b)
{
    const std::string x = WithoutLeadingZeros(a);
    const std::string y = WithoutLeadingZeros(b);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    const int order = x.compare(y);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

// Characters without a single-byte form count as the byte 0, which no rule accepts.
std::string SingleBytes(const wxString& text)
{
    std::string bytes;
    for (wxUniChar c : text)
        bytes.push_back(c.IsAscii() ? static_cast<char>(c.GetValue()) : '\0');
    return bytes;
}

} // namespace

SystemVersion::SystemVersion(const wxString& text)
{
    const std::string bytes = SingleBytes(text);
    size_t position = 0;
    while (position < bytes.size()) {
        const char c = bytes[position];
        if (c == '.') {
            ++position;
            std::string digits = TakeDigits(bytes, position);
            if (!digits.empty()) {
                components.push_back(std::move(digits));
            } else {
                wxLogMessage(
                    "SystemVersion: Warning, found \".\" without a following digit value.");
                ++position;
            }
        } else if (c == 'a' || c == 'b' || c == 'd') {
            ++position;
            const std::string digits = TakeDigits(bytes, position);
            std::string& suffix = c == 'a' ? suffixA : (c == 'b' ? suffixB : suffixD);
            suffix = digits.empty() ? "1" : digits;
        } else {
            std::string digits = TakeDigits(bytes, position);
            if (digits.empty()) {
                wxLogMessage("SystemVersion: Found unsupported character in version string, "
                             "bailing:\"%s\".",
                             text);
                break;
            }
            components.push_back(std::move(digits));
        }
    }
    while (components.size() > 1 && components.back() == "0")
        components.pop_back();
    if (components.empty())
        components.push_back("0");
}

int SystemVersion::Compare(SystemVersion other) const
{
    for (size_t i = 0; i < components.size(); ++i) {
        // More components after an equal shared part make the newer version (2.5.1 > 2.5): the
        // opposite would let a file older than the device's system through unnoticed.
        if (i >= other.components.size())
            return 1;
        const int order = CompareNumbers(components[i], other.components[i]);
        if (order != 0)
            return order;
    }
    if (components.size() < other.components.size())
        return -1;

    return CompareSuffixes(other);
}

// A plain release is newer than any version with suffix letters; otherwise "b" outranks "a",
// which outranks "d", each by its number. Compared letter by letter rather than as one score,
// so that a number of 10 or more cannot spill into the next letter (2.5a11 is older than 2.5b1).
int SystemVersion::CompareSuffixes(const SystemVersion& other) const
{
    const auto isPlain = [](const SystemVersion& v) {
        return CompareNumbers(v.suffixA, "0") == 0 && CompareNumbers(v.suffixB, "0") == 0 &&
               CompareNumbers(v.suffixD, "0") == 0;
    };
    if (isPlain(*this) != isPlain(other))
        return isPlain(*this) ? 1 : -1;
    for (const auto suffix :
         {&SystemVersion::suffixB, &SystemVersion::suffixA, &SystemVersion::suffixD}) {
        const int order = CompareNumbers(this->*suffix, other.*suffix);
        if (order != 0)
            return order;
    }
    return 0;
}
