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

std::string JsonLine::AddedTo(const std::string& object) const
{
    if (fields.empty() || object.size() < 2 || object.back() != '}')
        return object;
    return object.substr(0, object.size() - 1) + (object.size() > 2 ? "," : "") + fields + "}";
}

namespace {

// Reads the JSON string that starts at text[at] (its opening quote) as UTF-8; at ends past its
// closing quote.
std::optional<std::string> ReadString(const std::string& text, size_t& at)
{
    if (at >= text.size() || text[at] != '"')
        return std::nullopt;
    std::string value;
    for (++at; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '"') {
            ++at;
            return value;
        }
        if (c != '\\') {
            value += c;
            continue;
        }
        if (++at >= text.size())
            break;
        switch (text[at]) {
        case 'n':
            value += '\n';
            break;
        case 'r':
            value += '\r';
            break;
        case 't':
            value += '\t';
            break;
        case 'u': {
            unsigned code = 0;
            if (at + 4 >= text.size() ||
                std::from_chars(&text[at + 1], &text[at + 5], code, 16).ptr != &text[at + 5])
                return std::nullopt;
            value += wxString(wxUniChar(code)).utf8_string();
            at += 4;
            break;
        }
        default: // '"', '\\', '/'
            value += text[at];
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<JsonFields> ReadJsonLine(const std::string& line)
{
    if (line.size() < 2 || line.front() != '{' || line.back() != '}')
        return std::nullopt;
    JsonFields fields;
    for (size_t at = 1; at < line.size() - 1;) {
        const auto key = ReadString(line, at);
        if (!key || at >= line.size() || line[at++] != ':')
            return std::nullopt;
        if (line[at] == '"') {
            const auto value = ReadString(line, at);
            if (!value)
                return std::nullopt;
            fields[*key] = wxString::FromUTF8(*value);
        } else {
            const size_t end = line.find_first_of(",}", at);
            if (end == at || line[at] == '{' || line[at] == '[')
                return std::nullopt;
            fields[*key] = line.substr(at, end - at);
            at = end;
        }
        if (line[at] == ',')
            ++at;
        else if (at != line.size() - 1)
            return std::nullopt;
    }
    return fields;
}
