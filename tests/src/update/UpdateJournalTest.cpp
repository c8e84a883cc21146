#include "update/UpdateJournal.h"

#include <wx/utils.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "FileBytes.h"
#include "LogCapture.h"
#include "UserStateFolder.h"

namespace {

namespace fs = std::filesystem;

const std::string kSha = std::string(63, 'a') + "b";
const UpdateJournalRecord kRecord{
    "ZL0042", {{"ZEPHOS.zlos", 1000, kSha}, {"ZEPHKEY.zlk", 12, kSha}}, "installing", "2.6.0b3"};
const std::string kRecordText = "zephlark-update-journal 2\nserial=ZL0042\nstep=installing\n"
                                "os-version=2.6.0b3\nfile=" +
                                kSha + " 1000 ZEPHOS.zlos\nfile=" + kSha + " 12 ZEPHKEY.zlk\nend\n";
// What the earlier program wrote, in its single file.
const std::string kEarlierText = "zephlark-update-journal 1\nserial=ZL0042\nstep=installing\n"
                                 "os-version=2.6.0b3\ncopied=ZEPHOS.zlos\nend\n";

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    return text.replace(text.find(from), from.size(), to);
}

class UpdateJournalTest : public testing::Test
{
protected:
    ~UpdateJournalTest() override { fs::remove_all(root); }

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(root))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string pattern = (fs::temp_directory_path() / "zephlark-journal-XXXXXX").string();
    const fs::path root = mkdtemp(pattern.data());
    LogCapture log;
    UpdateJournal journal{root.string(), "ZL0042"};
    fs::path path = root / "update-journal-ZL0042";
};

// An update interrupted under the earlier program is finished by this one: its single journal is
// read for the device it names only, without sizes or hashes, and removed with that device's.
TEST_F(UpdateJournalTest, EachSaveReplacesTheRecordUntilRemoved)
{
    WriteBytes(root / "update-journal", kEarlierText);
    const UpdateJournalRecord earlier{"ZL0042", {{"ZEPHOS.zlos"}}, "installing", "2.6.0b3"};
    EXPECT_EQ(journal.Load(), earlier);
    EXPECT_FALSE(earlier.ProvesItsFiles());
    const UpdateJournalRecord copying{
        "ZL0042", {}, "copying", wxString::FromUTF8("2.6 \u00abnightly\u00bb")};
    ASSERT_TRUE(journal.Save(copying));
    EXPECT_EQ(journal.Load(), copying);
    ASSERT_TRUE(journal.Save(kRecord));
    EXPECT_EQ(ReadBytes(path), kRecordText);
    EXPECT_EQ(journal.Load(), kRecord);
    // Each device has its own: another's neither sees nor removes this one.
    UpdateJournal other{root.string(), "ZL/7"};
    EXPECT_EQ(other.Load(), std::nullopt);
    other.Remove();
    EXPECT_EQ(UpdateJournal::LoadAll(root.string()),
              (std::vector<UpdateJournalRecord>{kRecord, earlier}));

    journal.Remove();
    journal.Remove();
    EXPECT_EQ(journal.Load(), std::nullopt);
    EXPECT_TRUE(Entries().empty());
    EXPECT_TRUE(log.Messages().empty());
}

// A save cut short before its rename left the temporary name, here a planted link: it is never
// read and never written through, and each save replaces the file rather than writing into it.
TEST_F(UpdateJournalTest, ReplacesTheFileWholeAndIgnoresASaveCutShort)
{
    WriteBytes(root / "victim", kRecordText);
    fs::create_symlink(root / "victim", path.string() + ".new");
    EXPECT_EQ(journal.Load(), std::nullopt);
    UpdateJournalRecord cleaning = kRecord;
    cleaning.step = "cleaning";
    ASSERT_TRUE(journal.Save(cleaning));
    EXPECT_EQ(ReadBytes(root / "victim"), kRecordText);
    fs::create_hard_link(path, root / "earlier");
    ASSERT_TRUE(journal.Save(kRecord));
    EXPECT_NE(ReadBytes(root / "earlier"), kRecordText);
    EXPECT_EQ(journal.Load(), kRecord);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"earlier", "update-journal-ZL0042", "victim"}));
}

TEST_F(UpdateJournalTest, RefusesToSaveWhatCouldNotBeReadBack)
{
    UpdateJournalRecord forged = kRecord;
    forged.files.push_back({"A.zlos\nfile=../etc", 1, kSha});
    UpdateJournalRecord unproven = kRecord;
    unproven.files.push_back({"B.zlos"});
    UpdateJournalRecord anonymous = kRecord;
    anonymous.serialNumber.clear();
    UpdateJournal nowhere{wxString(), "ZL0042"};
    EXPECT_FALSE(journal.Save(forged));
    EXPECT_FALSE(journal.Save(unproven));
    EXPECT_FALSE(journal.Save(anonymous));
    EXPECT_FALSE(nowhere.Save(kRecord));
    EXPECT_EQ(nowhere.Load(), std::nullopt);
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(log.Messages().size(), 4u);
    // Each is refused before a file is written: a save without a state folder would replace
    // ".new" in the working folder.
    for (const wxString& message : log.Messages())
        EXPECT_TRUE(message.StartsWith("The update journal was not saved: ")) << message;
}

struct DamagedJournal
{
    const char* name;
    std::string bytes;
    const char* reason;
    std::string file = "update-journal-ZL0042";
};

class DamagedJournalTest : public UpdateJournalTest,
                           public testing::WithParamInterface<DamagedJournal>
{
};

// Said once, with its reason: a second load finds nothing to set aside.
TEST_P(DamagedJournalTest, IsSetAsideAndNeverTrusted)
{
    WriteBytes(root / GetParam().file, GetParam().bytes);
    EXPECT_EQ(journal.Load(), std::nullopt);
    EXPECT_EQ(journal.Load(), std::nullopt);
    const auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].rfind(GetParam().file + ".damaged-", 0), 0u) << entries[0];
    EXPECT_EQ(ReadBytes(root / entries[0]), GetParam().bytes);
    EXPECT_EQ(log.Messages(), std::vector<wxString>{wxString::Format(
                                  "The update journal %s is damaged (%s); it was set aside as %s.",
                                  (root / GetParam().file).string(), GetParam().reason,
                                  (root / entries[0]).string())});
}

INSTANTIATE_TEST_SUITE_P(
    UpdateJournal, DamagedJournalTest,
    testing::Values(
        DamagedJournal{"CutInALine", kRecordText.substr(0, 60),
                       "it does not end with a line break"},
        DamagedJournal{"CutAtALineEnd", Replaced(kRecordText, "end\n", ""),
                       "it has no \"end\" line"},
        DamagedJournal{"NewerFormat", Replaced(kRecordText, " 2\n", " 3\n"),
                       "its first line is not \"zephlark-update-journal 2\""},
        DamagedJournal{"ControlCharacterInAName", Replaced(kRecordText, "OS.", "OS\x1b."),
                       "line 5 has no value, invalid UTF-8 or a control character"},
        DamagedJournal{"InvalidUtf8", Replaced(kRecordText, "ZL0042", "ZL\xff"),
                       "line 2 has no value, invalid UTF-8 or a control character"},
        DamagedJournal{"UnknownKey", Replaced(kRecordText, "step=", "stop="),
                       "line 3 has an unknown key"},
        DamagedJournal{"RepeatedKey", Replaced(kRecordText, "step=installing\n", "serial=ZL7\n"),
                       "line 3 repeats serial"},
        DamagedJournal{"MissingKey", Replaced(kRecordText, "step=installing\n", ""),
                       "it has no valid step"},
        DamagedJournal{"TextAfterEnd", kRecordText + "file=X.zlos\n",
                       "text follows its \"end\" line"},
        DamagedJournal{"Oversized", std::string(kMaxUpdateJournalBytes + 1, '\n'),
                       "it is larger than 65536 bytes"},
        DamagedJournal{"FileWithoutItsSize", Replaced(kRecordText, " 12 ", " "),
                       "line 6 is no valid file"},
        // Names that would leave the disk's root or that the update never makes, in both formats.
        DamagedJournal{"NameLeavingTheDisk", Replaced(kRecordText, "ZEPHKEY", "x/../../ZEPHKEY"),
                       "\"x/../../ZEPHKEY.zlk\" is no plain file name on the disk"},
        DamagedJournal{"EarlierHiddenName", Replaced(kEarlierText, "ZEPHOS", ".ZEPHOS"),
                       "\".ZEPHOS.zlos\" is no plain file name on the disk", "update-journal"}),
    [](const testing::TestParamInfo<DamagedJournal>& info) { return info.param.name; });

// The state folder of the Linux platform, which the simulated one shares: made private to the
// user under an absolute XDG_STATE_HOME, else under HOME; where it cannot be made, empty and
// explained in the log.
TEST_F(UpdateJournalTest, StateFolderIsMadePrivatelyUnderXdgStateHomeOrElseUnderHome)
{
    const wxString savedHome = wxGetenv("HOME"), savedStateHome = wxGetenv("XDG_STATE_HOME");
    wxSetEnv("HOME", (root / "home").string());
    fs::create_directory(root / "taken");
    WriteBytes(root / "taken/zephlark-utility", "a file where the folder should be");
    const std::pair<std::string, fs::path> cases[] = {
        {root.string() + "/xdg/state", root / "xdg/state/zephlark-utility"},
        {"relative/state", root / "home/.local/state/zephlark-utility"},
        {root.string() + "/taken", ""},
    };
    for (const auto& [xdgStateHome, expected] : cases) {
        SCOPED_TRACE(xdgStateHome);
        wxSetEnv("XDG_STATE_HOME", xdgStateHome);
        EXPECT_EQ(ZephlarkUserStateFolder(), expected.string());
        EXPECT_EQ(log.Messages().empty(), !expected.empty());
        if (!expected.empty()) {
            EXPECT_EQ(fs::status(expected).permissions(), fs::perms::owner_all);
        }
    }
    wxSetEnv("HOME", savedHome);
    wxSetEnv("XDG_STATE_HOME", savedStateHome);
}

} // namespace
