#include "update/UpdateJournal.h"

#include <wx/datetime.h>
#include <wx/dir.h>
#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>

#include "update/UpdateFileName.h"
#include "UserStateFolder.h"

namespace {

constexpr char kEarlierFileName[] = "update-journal";
constexpr char kFilePrefix[] = "update-journal-";
constexpr char kFormatLine[] = "zephlark-update-journal 2";
constexpr char kEarlierFormatLine[] = "zephlark-update-journal 1";
constexpr char kEndLine[] = "end";
constexpr char kFileKey[] = "file";
constexpr char kEarlierFileKey[] = "copied";
constexpr size_t kSha256HexDigits = 64;

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

bool IsSha256Hex(const wxString& text)
{
    return text.length() == kSha256HexDigits &&
           text.find_first_not_of("0123456789abcdef") == wxString::npos;
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
    for (const auto& file : record.files) {
        if (!IsPlainDiskFileName(file.name))
            return wxString::Format("\"%s\" is no plain file name on the disk", file.name);
        if (record.ProvesItsFiles() && (!file.size || !IsSha256Hex(file.sha256)))
            return wxString::Format("the file %s has no valid size and SHA-256", file.name);
    }
    return wxString();
}

std::string Format(const UpdateJournalRecord& record)
{
    std::string text = std::string(kFormatLine) + "\n";
    for (const auto& [key, field] : kSingleFields)
        text += std::string(key) + "=" + (record.*field).utf8_string() + "\n";
    for (const auto& file : record.files)
        text += std::string(kFileKey) + "=" + file.sha256.utf8_string() + " " +
                std::to_string(file.size.value_or(0)) + " " + file.name.utf8_string() + "\n";
    return text + kEndLine + "\n";
}

// "<sha256> <size> <name>"; nothing when the value does not have that form.
std::optional<UpdateJournalFile> ParseFile(const wxString& value)
{
    const wxString sha256 = value.BeforeFirst(' ');
    const wxString rest = value.AfterFirst(' ');
    const wxString size = rest.BeforeFirst(' ');
    unsigned long long bytes = 0;
    if (!IsSha256Hex(sha256) || size.empty() ||
        size.find_first_not_of("0123456789") != wxString::npos || !size.ToULongLong(&bytes))
        return std::nullopt;
    return UpdateJournalFile{rest.AfterFirst(' '), bytes, sha256};
}

// Stores one key=value line in record; false with damage set when the line does not fit.
bool ParseLine(const std::string& line, size_t number, bool earlierFormat,
               UpdateJournalRecord& record, wxString& damage)
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
    if (key == (earlierFormat ? kEarlierFileKey : kFileKey)) {
        const auto file = earlierFormat ? UpdateJournalFile{value} : ParseFile(value);
        if (!file)
            damage = wxString::Format("line %zu is no valid file", number);
        else
            record.files.push_back(*file);
        return file.has_value();
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
    const bool earlierFormat = line == kEarlierFormatLine;
    if (line != kFormatLine && !earlierFormat) {
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
        if (!ParseLine(line, number, earlierFormat, record, damage))
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

void SetAside(const wxString& path, const wxString& reason)
{
    const wxString aside = path + ".damaged-" + wxDateTime::UNow().Format("%Y%m%d-%H%M%S-%l");
    if (wxRenameFile(path, aside, false))
        wxLogMessage("The update journal %s is damaged (%s); it was set aside as %s.", path, reason,
                     aside);
    else
        wxLogMessage("The update journal %s is damaged (%s) and could not be set aside.", path,
                     reason);
}

// The record in the file at path; nothing when there is none, or it is damaged (set aside).
std::optional<UpdateJournalRecord> LoadFile(const wxString& path)
{
    if (path.empty() || !wxFileExists(path))
        return std::nullopt;
    std::string text;
    wxString damage;
    std::optional<UpdateJournalRecord> record;
    if (!ReadBounded(path, text))
        damage = "it cannot be read";
    else if (text.size() > kMaxUpdateJournalBytes)
        damage = TooLarge();
    else
        record = Parse(text, damage);
    if (!record)
        SetAside(path, damage);
    return record;
}

wxString EarlierPath(const wxString& folder)
{
    return folder.empty() ? wxString() : wxFileName(folder, kEarlierFileName).GetFullPath();
}

// The serial number as a part of a file name: a serial number is the device's own text.
wxString FileNamePart(const wxString& serialNumber)
{
    wxString part;
    for (const wxUniChar c : serialNumber)
        part += (c.IsAscii() && (wxIsalnum(c) || c == '-' || c == '_')) ? c : wxUniChar('_');
    return part;
}

} // namespace

bool IsPlainDiskFileName(const wxString& name)
{
    return !name.StartsWith(".") && CleanUpdateFileName(name) == name;
}

bool UpdateJournalRecord::ProvesItsFiles() const
{
    return std::all_of(files.begin(), files.end(),
                       [](const UpdateJournalFile& file) { return file.size.has_value(); });
}

UpdateJournal::UpdateJournal(wxString folder, const wxString& serialNumber)
    : folder(std::move(folder)), serialNumber(serialNumber)
{}

wxString UpdateJournal::Path() const
{
    if (folder.empty())
        return wxString();
    return wxFileName(folder, kFilePrefix + FileNamePart(serialNumber)).GetFullPath();
}

bool UpdateJournal::Save(const UpdateJournalRecord& record)
{
    const std::string text = Format(record);
    wxString unfit = folder.empty() ? "there is no state folder" : WhyUnfit(record);
    if (unfit.empty() && record.serialNumber != serialNumber)
        unfit = "it names another device";
    if (unfit.empty() && !record.ProvesItsFiles())
        unfit = "a file has no size and SHA-256";
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
    // Another device's record under this file name (two serial numbers that differ only in the
    // characters a file name cannot carry) is not this device's, and stays for its own.
    for (const wxString& path : {Path(), EarlierPath(folder)}) {
        const auto record = LoadFile(path);
        if (record && record->serialNumber == serialNumber)
            return record;
    }
    return std::nullopt;
}

void UpdateJournal::Remove()
{
    for (const wxString& path : {Path(), EarlierPath(folder)}) {
        const auto record = LoadFile(path);
        if (record && record->serialNumber == serialNumber)
            wxRemoveFile(path);
    }
}

std::vector<UpdateJournalRecord> UpdateJournal::LoadAll(const wxString& folder)
{
    std::vector<UpdateJournalRecord> records;
    wxDir dir;
    if (folder.empty() || !wxDirExists(folder) || !dir.Open(folder))
        return records;
    std::vector<wxString> names;
    wxString name;
    for (bool more = dir.GetFirst(&name, wxString(kFilePrefix) + "*", wxDIR_FILES); more;
         more = dir.GetNext(&name))
        names.push_back(name);
    std::sort(names.begin(), names.end());
    for (const wxString& each : names) {
        const wxString serialPart = each.Mid(strlen(kFilePrefix));
        // Lock files, replacements in progress and damaged journals set aside are no journals.
        if (serialPart.empty() || FileNamePart(serialPart) != serialPart)
            continue;
        if (const auto record = LoadFile(wxFileName(folder, each).GetFullPath()))
            records.push_back(*record);
    }
    if (const auto earlier = LoadFile(EarlierPath(folder)))
        records.push_back(*earlier);
    return records;
}
