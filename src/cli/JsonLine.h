#pragma once

// One JSON object on one line, built field by field: the machine-readable output of zephlark-cli.
// Only flat objects of strings, numbers and booleans, which is all the program writes.

#include <wx/string.h>

#include <map>
#include <optional>
#include <string>

// text as a JSON string literal, quotes included; control characters escaped, UTF-8 otherwise.
std::string JsonString(const wxString& text);
// text as UTF-8 with its control characters and backslashes escaped as in JSON ("\u001b"): what
// a terminal would act on, shown as text.
std::string EscapedControls(const wxString& text);

class JsonLine
{
public:
    JsonLine& Add(const char* key, const wxString& value);
    JsonLine& Add(const char* key, const char* value)
    {
        return Add(key, wxString::FromUTF8(value));
    }
    JsonLine& Add(const char* key, double value);
    JsonLine& Add(const char* key, int value);
    JsonLine& Add(const char* key, bool value);
    // The object, without a line break.
    std::string Text() const { return "{" + fields + "}"; }
    // object (a line that Text() made) with these fields added at its end.
    std::string AddedTo(const std::string& object) const;

private:
    void AddRaw(const char* key, const std::string& value);

    std::string fields;
};

// The fields of a line that JsonLine wrote: strings unescaped, numbers and booleans as their JSON
// text. Nothing for what JsonLine does not write (nested values, a broken line).
using JsonFields = std::map<std::string, wxString>;
[[nodiscard]] std::optional<JsonFields> ReadJsonLine(const std::string& line);
