// zephlark-cli-sim run as a child process against its simulated device: exit codes, the JSON
// lines it writes, Ctrl+C in each phase of an update and the recovery after it.

#include <gtest/gtest.h>

#include <wx/filefn.h>
#include <wx/filename.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "sim/SampleOsFile.h"
#include "sim/SimDevice.h"

namespace {

using Event = std::map<std::string, std::string>;

// A flat JSON object of strings, numbers and booleans (all that the program writes), values as
// text; nothing when the line is anything else.
std::optional<Event> ParseFlatJson(const std::string& line)
{
    size_t at = 0;
    const auto expect = [&](char c) { return at < line.size() && line[at++] == c; };
    const auto string = [&]() -> std::optional<std::string> {
        if (!expect('"'))
            return std::nullopt;
        std::string out;
        while (at < line.size() && line[at] != '"') {
            char c = line[at++];
            if (c == '\\' && at < line.size()) {
                const char e = line[at++];
                const std::map<char, char> simple = {{'n', '\n'}, {'r', '\r'},  {'t', '\t'},
                                                     {'"', '"'},  {'\\', '\\'}, {'/', '/'}};
                if (e == 'u' && at + 4 <= line.size()) {
                    c = static_cast<char>(std::stoi(line.substr(at, 4), nullptr, 16));
                    at += 4;
                } else if (simple.count(e)) {
                    c = simple.at(e);
                } else {
                    return std::nullopt;
                }
            } else if (static_cast<unsigned char>(c) < 0x20) {
                return std::nullopt;
            }
            out += c;
        }
        if (!expect('"'))
            return std::nullopt;
        return out;
    };
    Event event;
    if (!expect('{'))
        return std::nullopt;
    while (at < line.size() && line[at] != '}') {
        if (!event.empty() && !expect(','))
            return std::nullopt;
        const auto key = string();
        if (!key || !expect(':'))
            return std::nullopt;
        if (line[at] == '"') {
            const auto value = string();
            if (!value)
                return std::nullopt;
            event[*key] = *value;
        } else {
            const size_t end = line.find_first_of(",}", at);
            if (end == std::string::npos)
                return std::nullopt;
            event[*key] = line.substr(at, end - at);
            at = end;
        }
    }
    if (!expect('}') || at != line.size())
        return std::nullopt;
    return event;
}

struct CliRun
{
    int exitCode = -1;
    std::vector<Event> events;
    std::vector<std::string> badLines; // standard output that is no JSON object
};

class CliSim : public testing::Test
{
protected:
    CliSim()
    {
        char pattern[] = "/tmp/zephlark-cli-XXXXXX";
        folder = mkdtemp(pattern);
    }
    ~CliSim() override { wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE); }

    std::string OsFile(const std::string& version)
    {
        const std::string path = folder + "/ZephlarkOS.zlos";
        EXPECT_TRUE(sim::WriteSampleOsFile(path, version));
        return path;
    }

    bool JournalKept() const
    {
        return wxFileExists(folder + "/state/zephlark-utility/update-journal");
    }

    // Runs the program with --json; onEvent may signal it (its process id) as events arrive.
    CliRun Run(std::vector<std::string> arguments, std::vector<std::string> environment = {},
               const std::function<void(const Event&, pid_t)>& onEvent = {})
    {
        arguments.insert(arguments.begin(), ZEPHLARK_CLI_SIM);
        arguments.push_back("--json");
        environment.push_back("XDG_STATE_HOME=" + folder + "/state");
        environment.push_back("ZEPHLARK_SIM_QUICK=1");
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            const int err = open((folder + "/stderr").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            dup2(err, STDERR_FILENO);
            for (const std::string& setting : environment)
                putenv(const_cast<char*>(setting.c_str()));
            std::vector<char*> argv;
            for (std::string& argument : arguments)
                argv.push_back(argument.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        CliRun run;
        FILE* stream = fdopen(out[0], "r");
        char* line = nullptr;
        size_t capacity = 0;
        for (ssize_t length; (length = getline(&line, &capacity, stream)) > 0;) {
            const std::string text(line, length - 1);
            if (const auto event = ParseFlatJson(text)) {
                run.events.push_back(*event);
                if (onEvent)
                    onEvent(*event, pid);
            } else {
                run.badLines.push_back(text);
            }
        }
        free(line);
        fclose(stream);
        int status = 0;
        waitpid(pid, &status, 0);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    static std::vector<std::string> Values(const CliRun& run, const std::string& event,
                                           const std::string& field)
    {
        std::vector<std::string> values;
        for (const Event& e : run.events)
            if (e.at("event") == event)
                values.push_back(e.at(field));
        return values;
    }

    std::string folder;
};

struct ExitCase
{
    const char* name;
    std::vector<std::string> arguments; // "OS:<version>" stands for a new OS file of that version
    std::vector<std::string> environment;
    int exitCode;
};

class CliExitCodes : public CliSim, public testing::WithParamInterface<ExitCase>
{
};

TEST_P(CliExitCodes, EndWithTheirCodeAndOneResult)
{
    std::vector<std::string> arguments = GetParam().arguments;
    for (std::string& argument : arguments)
        if (argument.rfind("OS:", 0) == 0)
            argument = OsFile(argument.substr(3));
    const CliRun run = Run(arguments, GetParam().environment);
    EXPECT_EQ(run.exitCode, GetParam().exitCode);
    EXPECT_TRUE(run.badLines.empty()) << run.badLines.front();
    ASSERT_FALSE(run.events.empty());
    const Event& result = run.events.back();
    EXPECT_EQ(result.at("event"), "result");
    EXPECT_EQ(result.at("exit_code"), std::to_string(GetParam().exitCode));
    EXPECT_EQ(result.at("ok"), GetParam().exitCode == 0 ? "true" : "false");
    EXPECT_FALSE(JournalKept());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliExitCodes,
    testing::Values(
        ExitCase{"InfoFindsTheDevice", {"info"}, {}, 0},
        ExitCase{"NoDevice", {"info", "--wait", "0"}, {"ZEPHLARK_SIM_UNPLUGGED=1"}, 3},
        ExitCase{"PortHeldByAnotherProgram", {"update", "OS:1.5.0"}, {"ZEPHLARK_SIM_BUSY=1"}, 4},
        ExitCase{"UnknownOption", {"info", "--frobnicate"}, {}, 2},
        ExitCase{"MissingFile", {"update", "/nonexistent/ZephlarkOS.zlos"}, {}, 2},
        ExitCase{"OlderFileRefused", {"update", "OS:1.4.1"}, {}, 5},
        ExitCase{"OlderFileAllowed", {"update", "OS:1.4.1", "--allow-older"}, {}, 0},
        ExitCase{"ResetNeedsYes", {"reset"}, {}, 2}, ExitCase{"Reset", {"reset", "--yes"}, {}, 0},
        ExitCase{"NothingToRecover", {"recover"}, {}, 0},
        ExitCase{"DoctorFindsThePort", {"doctor"}, {}, 0},
        ExitCase{"DoctorMissesThePort", {"doctor"}, {"ZEPHLARK_SIM_UNPLUGGED=1"}, 6}),
    [](const testing::TestParamInfo<ExitCase>& info) { return info.param.name; });

TEST_F(CliSim, InfoReportsTheDeviceAsOneEvent)
{
    const CliRun run = Run({"info"});
    const auto serials = Values(run, "device", "serial");
    ASSERT_EQ(serials.size(), 1u);
    EXPECT_EQ(serials[0], sim::kDefaultSerialNumber);
    EXPECT_EQ(Values(run, "device", "sdk"), std::vector<std::string>{sim::kDefaultSdk});
    EXPECT_EQ(Values(run, "device", "port"), std::vector<std::string>{"simACM0"});
}

TEST_F(CliSim, UpdateShowsItsStepsAndCopyThenTheWindowsResult)
{
    const CliRun run = Run({"update", OsFile("1.5.0")});
    ASSERT_EQ(run.exitCode, 0);
    const auto steps = Values(run, "step", "text");
    EXPECT_NE(std::find(steps.begin(), steps.end(), "Copying files to Zephlark..."), steps.end());
    EXPECT_NE(std::find(steps.begin(), steps.end(), "Applying Update..."), steps.end());
    const auto fractions = Values(run, "progress", "fraction");
    ASSERT_FALSE(fractions.empty());
    EXPECT_TRUE(std::is_sorted(
        fractions.begin(), fractions.end(),
        [](const std::string& a, const std::string& b) { return std::stod(a) < std::stod(b); }));
    EXPECT_EQ(fractions.back(), "1.000");
    EXPECT_EQ(run.events.back().at("text"),
              "Update Successful\n\nDevice firmware version is: 1.5.0.");
}

struct InterruptCase
{
    const char* name;
    std::vector<std::string> environment;
    const char* interruptAtStep;
    bool twice; // the second Ctrl+C once the first was acknowledged
    bool journalKept;
};

class CliInterrupt : public CliSim, public testing::WithParamInterface<InterruptCase>
{
};

TEST_P(CliInterrupt, StopsWhereTheDeviceIsSafeAndRecoverFinishes)
{
    const InterruptCase& c = GetParam();
    int sent = 0;
    const CliRun run =
        Run({"update", OsFile("1.5.0"), "--wait", "30"}, c.environment,
            [&](const Event& event, pid_t pid) {
                const bool atStep =
                    event.at("event") == "step" && event.at("text") == c.interruptAtStep;
                const bool acknowledged =
                    event.at("event") == "log" && event.at("text").rfind("Ctrl+C:", 0) == 0;
                if ((sent == 0 && atStep) || (sent == 1 && c.twice && acknowledged)) {
                    kill(pid, SIGINT);
                    ++sent;
                }
            });
    EXPECT_EQ(sent, c.twice ? 2 : 1);
    EXPECT_EQ(run.exitCode, 130);
    EXPECT_EQ(JournalKept(), c.journalKept);
    // Leaving at once writes nothing more; a stop ends with its result.
    EXPECT_EQ(run.events.back().at("event") == "result", !c.twice);
    if (!c.journalKept)
        return;
    const CliRun recovery = Run({"recover"});
    EXPECT_EQ(recovery.exitCode, 0);
    EXPECT_EQ(recovery.events.back().at("text").rfind("Update Finished", 0), 0u);
    EXPECT_FALSE(JournalKept());
}

INSTANTIATE_TEST_SUITE_P(
    Phases, CliInterrupt,
    testing::Values(
        InterruptCase{"WhileWaitingForTheDevice",
                      {"ZEPHLARK_SIM_UNPLUGGED=1"},
                      "Waiting for Zephlark...",
                      false,
                      false},
        InterruptCase{
            "AfterDatadiskFinishesTheStep", {}, "Waiting for Zephlark disk...", false, true},
        InterruptCase{
            "TwiceDuringTheInstallLeavesAtOnce", {}, "Installing firmware...", true, true}),
    [](const testing::TestParamInfo<InterruptCase>& info) { return info.param.name; });

} // namespace
