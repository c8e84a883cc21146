#include "update/UpdateJournal.h"

#include <wx/utils.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "FileBytes.h"
#include "LogCapture.h"
#include "UserStateFolder.h"

namespace {

namespace fs = std::filesystem;

const UpdateJournalRecord kRecord{
    "ZL0042", {"ZEPHOS.zlos", "ZEPHKEY.zlk"}, "installing", "2.6.0b3"};
const std::string kRecordText = "zephlark-update-journal 1\nserial=ZL0042\nstep=installing\n"
                                "os-version=2.6.0b3\ncopied=ZEPHOS.zlos\ncopied=ZEPHKEY.zlk\nend\n";

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    return text.replace(text.find(from), from.size(), to);
}

// Valid lines, one byte more than a journal may have.
std::string OversizedJournal()
{
    const std::string head = "zephlark-update-journal 1\nserial=ZL0042\nstep=copying\n"
                             "os-version=2.6\ncopied=";
    const std::string tail = "\nend\n";
    return head + std::string(kMaxUpdateJournalBytes + 1 - head.size() - tail.size(), 'A') + tail;
}

class ScratchFolder : public testing::Test
{
protected:
    ScratchFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "zephlark-journal-XXXXXX").string();
        root = mkdtemp(pattern.data());
    }
    ~ScratchFolder() override { fs::remove_all(root); }

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(root))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path root;
    LogCapture log;
};

class UpdateJournalTest : public ScratchFolder
{
protected:
    UpdateJournal journal{root.string()};
    fs::path path = root / "update-journal";
};

TEST_F(UpdateJournalTest, EachSaveReplacesTheRecordUntilRemoved)
{
    const UpdateJournalRecord copying{
        "ZL0042", {}, "copying", wxString::FromUTF8("2.6 \u00abnightly\u00bb")};
    ASSERT_TRUE(journal.Save(copying));
    EXPECT_EQ(journal.Load(), copying);
    ASSERT_TRUE(journal.Save(kRecord));
    EXPECT_EQ(ReadBytes(path), kRecordText);
    EXPECT_EQ(journal.Load(), kRecord);

    journal.Remove();
    journal.Remove();
    EXPECT_EQ(journal.Load(), std::nullopt);
    EXPECT_TRUE(Entries().empty());
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(UpdateJournalTest, ReplacesTheFileWholeAndIgnoresASaveCutShort)
{
    WriteBytes(path.string() + ".new", kRecordText); // a crash before the rename
    EXPECT_EQ(journal.Load(), std::nullopt);
    ASSERT_TRUE(journal.Save(kRecord));
    fs::create_hard_link(path, root / "earlier");
    UpdateJournalRecord cleaning = kRecord;
    cleaning.step = "cleaning";
    ASSERT_TRUE(journal.Save(cleaning));
    EXPECT_EQ(ReadBytes(root / "earlier"), kRecordText); // replaced, not written into
    EXPECT_EQ(journal.Load(), cleaning);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"earlier", "update-journal"}));
}

TEST_F(UpdateJournalTest, RefusesToSaveWhatCouldNotBeReadBack)
{
    UpdateJournalRecord forged = kRecord;
    forged.copiedNames.push_back("A.zlos\ncopied=../etc");
    UpdateJournalRecord anonymous = kRecord;
    anonymous.serialNumber.clear();
    UpdateJournal nowhere{wxString()};
    EXPECT_FALSE(journal.Save(forged));
    EXPECT_FALSE(journal.Save(anonymous));
    EXPECT_FALSE(nowhere.Save(kRecord));
    EXPECT_EQ(nowhere.Load(), std::nullopt);
    EXPECT_TRUE(Entries().empty());
    EXPECT_EQ(log.Messages().size(), 3u);
}

struct DamagedJournal
{
    const char* name;
    std::string bytes;
    const char* reason;
};

void PrintTo(const DamagedJournal& journal, std::ostream* out)
{
    *out << journal.name;
}

class DamagedJournalTest : public UpdateJournalTest,
                           public testing::WithParamInterface<DamagedJournal>
{
};

TEST_P(DamagedJournalTest, IsSetAsideAndNeverTrusted)
{
    WriteBytes(path, GetParam().bytes);
    EXPECT_EQ(journal.Load(), std::nullopt);

    const auto entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].rfind("update-journal.damaged-", 0), 0u) << entries[0];
    EXPECT_EQ(ReadBytes(root / entries[0]), GetParam().bytes);
    const auto messages = log.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              wxString::Format("The update journal %s is damaged (%s); it was set aside as %s.",
                               path.string(), GetParam().reason, (root / entries[0]).string()));
    EXPECT_EQ(journal.Load(), std::nullopt);
    EXPECT_EQ(log.Messages().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    UpdateJournal, DamagedJournalTest,
    testing::Values(
        DamagedJournal{"CutInALine", kRecordText.substr(0, 60),
                       "it does not end with a line break"},
        DamagedJournal{"CutAtALineEnd", Replaced(kRecordText, "end\n", ""),
                       "it has no \"end\" line"},
        DamagedJournal{"NewerFormat", Replaced(kRecordText, " 1\n", " 2\n"),
                       "its first line is not \"zephlark-update-journal 1\""},
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
        DamagedJournal{"TextAfterEnd", kRecordText + "copied=X.zlos\n",
                       "text follows its \"end\" line"},
        DamagedJournal{"Oversized", OversizedJournal(), "it is larger than 65536 bytes"}),
    [](const testing::TestParamInfo<DamagedJournal>& info) { return info.param.name; });

// The state folder of the Linux platform, which the simulated one shares.
class UserStateFolderTest : public ScratchFolder
{
protected:
    UserStateFolderTest() : home(root / "home")
    {
        for (const char* name : {"HOME", "XDG_STATE_HOME"}) {
            if (const char* value = getenv(name))
                saved.emplace_back(name, value);
        }
        setenv("HOME", home.c_str(), 1);
    }
    ~UserStateFolderTest() override
    {
        unsetenv("XDG_STATE_HOME");
        for (const auto& [name, value] : saved)
            setenv(name.c_str(), value.c_str(), 1);
    }

    fs::path home;
    std::vector<std::pair<std::string, std::string>> saved;
};

TEST_F(UserStateFolderTest, IsMadePrivatelyUnderXdgStateHomeOrElseUnderHome)
{
    const fs::path fallback = home / ".local/state/zephlark-utility";
    struct Case
    {
        std::optional<std::string> xdgStateHome;
        fs::path expected;
        fs::path firstMade;
    } cases[] = {
        {root.string() + "/xdg/state", root / "xdg/state/zephlark-utility", root / "xdg"},
        {std::nullopt, fallback, home},
        {"relative/state", fallback, home},
    };
    for (const auto& [xdgStateHome, expected, firstMade] : cases) {
        SCOPED_TRACE(xdgStateHome.value_or("(unset)"));
        if (xdgStateHome)
            setenv("XDG_STATE_HOME", xdgStateHome->c_str(), 1);
        else
            unsetenv("XDG_STATE_HOME");
        EXPECT_EQ(ZephlarkUserStateFolder(), expected.string());
        EXPECT_EQ(fs::status(expected).permissions(), fs::perms::owner_all);
        EXPECT_EQ(fs::status(firstMade).permissions(), fs::perms::owner_all);
    }
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(UserStateFolderTest, IsEmptyAndExplainedWhenItCannotBeMade)
{
    WriteBytes(root / "state", "a file where a folder should be");
    setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
    EXPECT_EQ(ZephlarkUserStateFolder(), "");
    const auto folder = (root / "state/zephlark-utility").string();
    EXPECT_EQ(log.Messages(),
              std::vector<wxString>{wxString::Format(
                  "Cannot make the state folder %s: %s (Not a directory).", folder, folder)});
}

} // namespace
