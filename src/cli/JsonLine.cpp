#include "cli/JsonLine.h"

#include <charconv>
#include <cstdio>

namespace {

std::string Escaped(const wxString& text, bool quoted)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    std::string out;
    for (size_t i = 0; i < utf8.length(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8.data()[i]);
        switch (c) {
        case '"':
            out += quoted ? "\\\"" : "\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7f) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

} // namespace

std::string JsonString(const wxString& text)
{
    return "\"" + Escaped(text, true) + "\"";
}

std::string EscapedControls(const wxString& text)
{
    return Escaped(text, false);
}

void JsonLine::AddRaw(const char* key, const std::string& value)
{
    if (!fields.empty())
        fields += ",";
    fields += JsonString(key) + ":" + value;
}

JsonLine& JsonLine::Add(const char* key, const wxString& value)
{
    AddRaw(key, JsonString(value));
    return *this;
}

JsonLine& JsonLine::Add(const char* key, double value)
{
    // to_chars ignores the locale: a decimal comma would break the number.
    char number[32];
    const auto end =
        std::to_chars(number, number + sizeof number, value, std::chars_format::fixed, 3).ptr;
    AddRaw(key, std::string(number, end));
    return *this;
}

JsonLine& JsonLine::Add(const char* key, int value)
{
    AddRaw(key, std::to_string(value));
    return *this;
}

JsonLine& JsonLine::Add(const char* key, bool value)
{
    AddRaw(key, value ? "true" : "false");
    return *this;
}
