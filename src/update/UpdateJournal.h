#pragma once

// The journal a running firmware update keeps in the user's state folder, one per device, so that
// an update cut short (the program closed or killed, the computer down) can be finished later:
// which device, how far it got, which OS version it was installing, and each file it put on the
// device's data disk, with what proves the file its own (its size and SHA-256).
//
// "update-journal-<serial>" (the serial number with anything but letters, digits, "-" and "_"
// made "_"), UTF-8 text lines: a first line naming the format and its version, key=value lines,
// then "end":
//     zephlark-update-journal 2
//     serial=<device serial number>
//     step=<a short word: "copying", "installing", "cleaning">
//     os-version=<the OS file's version text>
//     file=<SHA-256, 64 lower-case hex digits> <size in bytes> <name on the data disk>
//     end
// A "file" line is written before the file is made, one per file, in order; none is fine.
// The earlier program kept one "update-journal" for whichever device it updated, in format 1,
// with "copied=<name>" lines instead of "file": it is still read for the device it names, and
// its files carry no size or hash.
//
// Each save replaces the file whole (see ZephlarkReplaceFile). A journal that cannot be read or
// does not follow the format exactly, including a name that is not a plain file name on the disk
// (a separator, "..", a leading dot, a reserved device name), is never trusted: it is renamed to
// "<its name>.damaged-<time>" beside it, the reason is logged, and nothing is loaded from it.

#include <wx/string.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct UpdateJournalFile
{
    wxString name;
    // Both known for files of the current format; both empty for the earlier format's.
    std::optional<uint64_t> size{};
    wxString sha256{};

    bool operator==(const UpdateJournalFile& other) const
    {
        return name == other.name && size == other.size && sha256 == other.sha256;
    }
};

struct UpdateJournalRecord
{
    wxString serialNumber;
    std::vector<UpdateJournalFile> files;
    wxString step;
    wxString osVersion;

    // False for the earlier format: its files may be removed only once the device has proved,
    // by its serial number, that it is the journal's.
    bool ProvesItsFiles() const;

    bool operator==(const UpdateJournalRecord& other) const
    {
        return serialNumber == other.serialNumber && files == other.files && step == other.step &&
               osVersion == other.osVersion;
    }
};

// A journal is a few hundred bytes; one larger than this is not ours.
constexpr size_t kMaxUpdateJournalBytes = 64 * 1024;

// True for a name that stays at the data disk's root and that the update could have made.
bool IsPlainDiskFileName(const wxString& name);

class UpdateJournal
{
public:
    // folder: the user's state folder. When it is empty (there is none), Save fails and Load and
    // Remove find nothing, so that nothing is ever written elsewhere.
    UpdateJournal(wxString folder, const wxString& serialNumber);

    // Replaces this device's journal with record. False (logged) when it could not be written,
    // when record names another device, or when Load would refuse it.
    bool Save(const UpdateJournalRecord& record);

    // This device's record: its own journal, or else the earlier program's when that names it.
    // Nothing when there is none or it was damaged (then set aside).
    std::optional<UpdateJournalRecord> Load();

    // Removes this device's journal, and the earlier program's when that names it; harmless when
    // there is none.
    void Remove();

    // Every device's record (the earlier program's among them), for a device that shows only its
    // data disk and so cannot say which it is.
    static std::vector<UpdateJournalRecord> LoadAll(const wxString& folder);

    // This device's journal file; empty without a state folder.
    wxString Path() const;

private:
    wxString folder;
    wxString serialNumber;
};
