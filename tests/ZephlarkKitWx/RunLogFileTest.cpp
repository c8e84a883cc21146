// The per-run log file: which earlier files go, the size cap, and what a crash leaves.

#include <wx/dir.h>
#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include <gtest/gtest.h>

#include <csignal>
#include <set>

#include <sys/wait.h>
#include <unistd.h>

#include "FileBytes.h"
#include "RunLogFile.h"

namespace {

// A fresh folder per test in the test's own state folder.
class RunLogFileTest : public testing::Test
{
protected:
    RunLogFileTest()
    {
        wxGetEnv("XDG_STATE_HOME", &folder);
        folder += "/" + wxString(testing::UnitTest::GetInstance()->current_test_info()->name());
        wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE);
        wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    }
    void Touch(const wxString& name) { wxFFile(folder + "/" + name, "w").Write("old"); }

    std::set<wxString> Names()
    {
        wxArrayString paths;
        wxDir::GetAllFiles(folder, &paths);
        std::set<wxString> names;
        for (const wxString& path : paths)
            names.insert(wxFileName(path).GetFullName());
        return names;
    }

    wxString folder;
};

// Twelve earlier runs: the nine newest stay beside this run's file, and so does every file that
// is not a run's log.
TEST_F(RunLogFileTest, KeepsTheNewestRunsAndEveryOtherFile)
{
    constexpr int kOldRuns = 12;
    constexpr int kKeptOldRuns = 9;
    std::set<wxString> expected = {"run-notes.log", "run-20000101-000000-x.log",
                                   "other-20000101-000000-1.log", "readme.txt"};
    for (const wxString& name : expected)
        Touch(name);
    for (int second = 0; second < kOldRuns; ++second) {
        const wxString name = wxString::Format("run-20000101-0000%02d-7.log", second);
        Touch(name);
        if (second >= kOldRuns - kKeptOldRuns)
            expected.insert(name);
    }

    expected.insert(wxFileName(RunLogFile::Start(folder, "run")->GetPath()).GetFullName());
    EXPECT_EQ(Names(), expected);
}

// The child dies as a crashed program does, right after it logged past the cap.
TEST_F(RunLogFileTest, ReachingTheCapEndsTheFileWithOneNoticeThatSurvivesACrash)
{
    const wxString message(wxUniChar('x'), 40);
    const size_t lineBytes = std::string("2000-01-01 00:00:00.000 \n").size() + message.size();
    const size_t capBytes = 3 * lineBytes + 100; // three lines and the notice, not four lines
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        wxLog::SetActiveTarget(RunLogFile::Start(folder, "run", capBytes).release());
        for (int i = 0; i < 6; ++i)
            wxLogMessage("%s", message);
        std::raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    const std::set<wxString> names = Names();
    ASSERT_EQ(names.size(), 1u);
    const std::string bytes = ReadBytes((folder + "/" + *names.begin()).utf8_string());
    EXPECT_LE(bytes.size(), capBytes);
    EXPECT_EQ(bytes.find('['), 3 * lineBytes) << bytes; // the notice, once, last
    EXPECT_EQ(bytes.find('\n', 3 * lineBytes), bytes.size() - 1) << bytes;
}

} // namespace
