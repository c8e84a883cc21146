#pragma once

// The journal a running firmware update keeps in the user's state folder, so that an update cut
// short (the program closed, the computer down) can be finished or cleaned up later: which device,
// what was copied onto its data disk, how far it got, and which OS version it was installing.
//
// One file, "update-journal", of UTF-8 text lines: a first line naming the format and its version,
// then key=value lines, then "end":
//     zephlark-update-journal 1
//     serial=<device serial number>
//     step=<a short word: "copying", "installing", "cleaning">
//     os-version=<the OS file's version text>
//     copied=<a name on the data disk>      (one line per name, in order; none is fine)
//     end
// Each save replaces the file whole (see ZephlarkReplaceFile). A journal that cannot be read or
// does not follow the format exactly is never trusted: it is renamed to
// "update-journal.damaged-<time>" beside it, the reason is logged, and Load finds nothing.

#include <wx/string.h>

#include <cstddef>
#include <optional>
#include <vector>

struct UpdateJournalRecord
{
    wxString serialNumber;
    std::vector<wxString> copiedNames;
    wxString step;
    wxString osVersion;

    bool operator==(const UpdateJournalRecord& other) const
    {
        return serialNumber == other.serialNumber && copiedNames == other.copiedNames &&
               step == other.step && osVersion == other.osVersion;
    }
};

// A journal is a few hundred bytes; one larger than this is not ours.
constexpr size_t kMaxUpdateJournalBytes = 64 * 1024;

class UpdateJournal
{
public:
    // folder: the user's state folder. When it is empty (there is none), Save fails and Load and
    // Remove find nothing, so that nothing is ever written elsewhere.
    explicit UpdateJournal(wxString folder);

    // Replaces the journal with record. False (logged) when it could not be written, or when a
    // value is empty or holds a control character (Load would refuse it).
    bool Save(const UpdateJournalRecord& record);

    // The journal's record, or nothing when there is none or it was damaged (then set aside).
    std::optional<UpdateJournalRecord> Load();

    // Removes the journal; harmless when there is none.
    void Remove();

    wxString Path() const;

private:
    void SetAside(const wxString& reason);

    wxString folder;
};
