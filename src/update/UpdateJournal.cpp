#include "update/UpdateJournal.h"

#include <wx/datetime.h>
#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include <sstream>
#include <string>
#include <utility>

#include "UserStateFolder.h"

namespace {

constexpr char kFileName[] = "update-journal";
constexpr char kFormatLine[] = "zephlark-update-journal 1";
constexpr char kEndLine[] = "end";
constexpr char kCopiedKey[] = "copied";

// The record's one-per-journal fields and their keys, in the order they are written.
const std::pair<const char*, wxString UpdateJournalRecord::*> kSingleFields[] = {
    {"serial", &UpdateJournalRecord::serialNumber},
    {"step", &UpdateJournalRecord::step},
    {"os-version", &UpdateJournalRecord::osVersion},
};

// A value is the rest of one line: a line break in it would forge further lines, and any other
// control character in a name, a serial number or a version means the file is not what we wrote.
bool IsCleanValue(const std::string& utf8)
{
    for (const unsigned char byte : utf8) {
        if (byte < 0x20 || byte == 0x7f)
            return false;
    }
    return !utf8.empty();
}

wxString TooLarge()
{
    return wxString::Format("it is larger than %zu bytes", kMaxUpdateJournalBytes);
}

// Why Load would refuse the record, or an empty string.
wxString WhyUnfit(const UpdateJournalRecord& record)
{
    for (const auto& [key, field] : kSingleFields) {
        if (!IsCleanValue((record.*field).utf8_string()))
            return wxString::Format("it has no valid %s", key);
    }
    for (const auto& name : record.copiedNames) {
        if (!IsCleanValue(name.utf8_string()))
            return "a copied name is empty or holds a control character";
    }
    return wxString();
}

std::string Format(const UpdateJournalRecord& record)
{
    std::string text = std::string(kFormatLine) + "\n";
    for (const auto& [key, field] : kSingleFields)
        text += std::string(key) + "=" + (record.*field).utf8_string() + "\n";
    for (const auto& name : record.copiedNames)
        text += std::string(kCopiedKey) + "=" + name.utf8_string() + "\n";
    return text + kEndLine + "\n";
}

// Stores one key=value line in record; false with damage set when the line does not fit.
bool ParseLine(const std::string& line, size_t number, UpdateJournalRecord& record,
               wxString& damage)
{
    const size_t equals = line.find('=');
    const std::string key = line.substr(0, equals);
    const std::string bytes = equals == std::string::npos ? "" : line.substr(equals + 1);
    const wxString value = wxString::FromUTF8(bytes);
    if (!IsCleanValue(bytes) || value.empty()) {
        damage =
            wxString::Format("line %zu has no value, invalid UTF-8 or a control character", number);
        return false;
    }
    if (key == kCopiedKey) {
        record.copiedNames.push_back(value);
        return true;
    }
    for (const auto& [name, field] : kSingleFields) {
        if (key != name)
            continue;
        if (!(record.*field).empty()) {
            damage = wxString::Format("line %zu repeats %s", number, name);
            return false;
        }
        record.*field = value;
        return true;
    }
    damage = wxString::Format("line %zu has an unknown key", number);
    return false;
}

// The record that text holds, or nothing with damage set.
std::optional<UpdateJournalRecord> Parse(const std::string& text, wxString& damage)
{
    // A journal cut short most likely ends inside a line or before "end".
    if (text.empty() || text.back() != '\n') {
        damage = "it does not end with a line break";
        return std::nullopt;
    }
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    if (line != kFormatLine) {
        damage = wxString::Format("its first line is not \"%s\"", kFormatLine);
        return std::nullopt;
    }
    UpdateJournalRecord record;
    for (size_t number = 2; std::getline(in, line); ++number) {
        if (line == kEndLine) {
            if (in.peek() != std::char_traits<char>::eof()) {
                damage = "text follows its \"end\" line";
                return std::nullopt;
            }
            damage = WhyUnfit(record);
            return damage.empty() ? std::optional(record) : std::nullopt;
        }
        if (!ParseLine(line, number, record, damage))
            return std::nullopt;
    }
    damage = "it has no \"end\" line";
    return std::nullopt;
}

// Reads at most one byte more than a journal may have, so that a huge file is never read whole.
bool ReadBounded(const wxString& path, std::string& text)
{
    wxFile file;
    if (!file.Open(path))
        return false;
    text.resize(kMaxUpdateJournalBytes + 1);
    const ssize_t count = file.Read(text.data(), text.size());
    if (count == wxInvalidOffset)
        return false;
    text.resize(static_cast<size_t>(count));
    return true;
}

} // namespace

UpdateJournal::UpdateJournal(wxString folder) : folder(std::move(folder)) {}

wxString UpdateJournal::Path() const
{
    return folder.empty() ? wxString() : wxFileName(folder, kFileName).GetFullPath();
}

bool UpdateJournal::Save(const UpdateJournalRecord& record)
{
    const std::string text = Format(record);
    wxString unfit = folder.empty() ? "there is no state folder" : WhyUnfit(record);
    if (unfit.empty() && text.size() > kMaxUpdateJournalBytes)
        unfit = TooLarge();
    if (!unfit.empty()) {
        wxLogMessage("The update journal was not saved: %s.", unfit);
        return false;
    }
    return ZephlarkReplaceFile(Path(), text);
}

std::optional<UpdateJournalRecord> UpdateJournal::Load()
{
    if (folder.empty() || !wxFileExists(Path()))
        return std::nullopt;
    std::string text;
    wxString damage;
    std::optional<UpdateJournalRecord> record;
    if (!ReadBounded(Path(), text))
        damage = "it cannot be read";
    else if (text.size() > kMaxUpdateJournalBytes)
        damage = TooLarge();
    else
        record = Parse(text, damage);
    if (!record)
        SetAside(damage);
    return record;
}

void UpdateJournal::Remove()
{
    if (!folder.empty() && wxFileExists(Path()))
        wxRemoveFile(Path());
}

void UpdateJournal::SetAside(const wxString& reason)
{
    const wxString aside = Path() + ".damaged-" + wxDateTime::UNow().Format("%Y%m%d-%H%M%S-%l");
    if (wxRenameFile(Path(), aside, false))
        wxLogMessage("The update journal %s is damaged (%s); it was set aside as %s.", Path(),
                     reason, aside);
    else
        wxLogMessage("The update journal %s is damaged (%s) and could not be set aside.", Path(),
                     reason);
}
