// The longest stall of the GUI thread over whole firmware updates: the window (MainFrame) on the
// simulated device in real time, an OS file of 400 KB copied onto a data disk that writes 20 kB/s,
// then one of 20 MB onto a disk that writes 1 MB/s, and a timer that ticks every 10 ms while each
// update runs. A tick is handled only when the thread runs its event loop (the update yields to
// it), so the longest time between two ticks is the longest the window stayed frozen; the time of
// day each of the longest stalls began finds its step in the program's log (standard output).
// Run it with a display: scripts/bench.sh stall.

#include <wx/timer.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "update/FirmwareUpdate.h"
#include "MainFrame.h"
#include "UtilityApp.h"
#include "WaitFor.h"
#include "ShortDeviceDelays.h"
#include "deviceconnection.h"
#include "sim/SampleOsFile.h"
#include "sim/SimDevice.h"
#include "sim/SimPlatform.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kTickInterval = 10ms;
constexpr auto kStallTarget = 100ms;
constexpr size_t kStallsShown = 5;
constexpr auto kIdentifyLimit = 10s;
constexpr char kFileVersion[] = "1.5.0";

// An OS file's size and the speed of the disk it is copied onto: a small file on a slow disk
// stalls the window as long as it takes to write one of the copy's pieces.
struct StallCase
{
    size_t osFileBytes;
    uint64_t diskBytesPerSecond;
};

constexpr StallCase kCases[] = {{400'000, 20'000}, {20'000'000, 1'000'000}};

// A valid OS file of about the given size: the "version" entry after an image of random bytes
// that the archive cannot compress away.
bool WriteOsFile(const std::string& path, size_t size)
{
    std::independent_bits_engine<std::mt19937, 8, unsigned> bytes(1);
    std::string image(size, '\0');
    std::generate(image.begin(), image.end(), [&bytes] { return static_cast<char>(bytes()); });
    return sim::WriteZipArchive(path, {{"system.img", image}, {"version", kFileVersion}});
}

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

class UpdateStallApp : public UtilityApp
{
public:
    bool OnInit() override
    {
        scratch = MakeScratchFolder();
        if (scratch.empty())
            return false;
        // The update's journal goes to the scratch folder, not the user's state folder.
        setenv("XDG_STATE_HOME", (scratch / "state").c_str(), 1);
        sim::WithDevice([this](sim::SimDevice& d) {
            ShortDeviceDelays(d); // so that the copy is most of the run
            d.Settings().diskFolder = scratch / "disk";
        });
        std::filesystem::create_directories(scratch / "disk");
        if (!UtilityApp::OnInit())
            return false;
        ticker.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { ticks.push_back(Clock::now()); });
        // From the running event loop, as the update runs when the user starts it.
        CallAfter(&UpdateStallApp::Measure);
        return true;
    }

    int OnRun() override
    {
        const int status = UtilityApp::OnRun();
        return status != 0 ? status : exitCode;
    }

    int OnExit() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
        return UtilityApp::OnExit();
    }

private:
    static std::filesystem::path MakeScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zephlark-stall.XXXXXX");
        if (!mkdtemp(pattern.data())) {
            std::perror("zephlark-stall: mkdtemp");
            return {};
        }
        return pattern;
    }

    void Measure()
    {
        auto* frame = dynamic_cast<MainFrame*>(GetTopWindow());
        const auto identified = WaitFor(
            "the device to be identified",
            [frame] { return frame->deviceConnection->IsDeviceIdentified(); }, kIdentifyLimit);
        if (!identified) {
            std::printf("%s\n", identified.message());
            exitCode = 2;
        } else {
            for (const StallCase& stallCase : kCases)
                MeasureUpdate(*frame, stallCase);
        }
        frame->Close(true);
    }

    void MeasureUpdate(MainFrame& frame, const StallCase& stallCase)
    {
        std::printf("\n%zu kB onto a disk that writes %llu kB/s:\n", stallCase.osFileBytes / 1000,
                    static_cast<unsigned long long>(stallCase.diskBytesPerSecond / 1000));
        const std::string osPath = (scratch / "ZephlarkOS.zlos").string();
        if (!WriteOsFile(osPath, stallCase.osFileBytes)) {
            std::printf("The OS file could not be written to %s.\n", osPath.c_str());
            exitCode = 2;
            return;
        }
        sim::WithDevice([&](sim::SimDevice& d) {
            d.Settings().diskBytesPerSecond = stallCase.diskBytesPerSecond;
        });
        ticks.clear();
        ticks.push_back(Clock::now());
        ticker.Start(static_cast<int>(kTickInterval.count()));
        const wxString result = frame.UpdateFirmware(osPath, "", false).text;
        ticker.Stop();
        ticks.push_back(Clock::now());
        Report(result);
    }

    void Report(const wxString& result)
    {
        // Each stall: when it began, and how long it lasted.
        std::vector<std::pair<Clock::time_point, Clock::duration>> stalls;
        for (size_t i = 1; i < ticks.size(); ++i)
            stalls.emplace_back(ticks[i - 1], ticks[i] - ticks[i - 1]);
        std::sort(stalls.begin(), stalls.end(),
                  [](const auto& a, const auto& b) { return a.second > b.second; });
        const auto whole = ticks.back() - ticks.front();
        const auto over = std::count_if(stalls.begin(), stalls.end(),
                                        [](const auto& s) { return s.second > kStallTarget; });

        wxString shown = result;
        shown.Replace("\n\n", ": ");
        std::printf("Result: %s\n", shown.utf8_str().data());
        std::printf("Whole update: %.2f s, %zu timer ticks (one every %lld ms when nothing "
                    "stalls)\n",
                    Milliseconds(whole) / 1000, ticks.size() - 2,
                    static_cast<long long>(kTickInterval.count()));
        std::printf("Longest stall: %.0f ms (target: under %.0f ms); %ld stalls over the target; "
                    "the longest began at",
                    Milliseconds(stalls.front().second), Milliseconds(kStallTarget), over);
        const auto wallStart = std::chrono::system_clock::now() - (Clock::now() - ticks.front());
        for (size_t i = 0; i < std::min(kStallsShown, stalls.size()); ++i) {
            const auto began = std::chrono::system_clock::to_time_t(
                std::chrono::time_point_cast<std::chrono::system_clock::duration>(
                    wallStart + (stalls[i].first - ticks.front())));
            char clock[16];
            std::strftime(clock, sizeof clock, "%H:%M:%S", std::localtime(&began));
            std::printf(" %s (%.0f ms)", clock, Milliseconds(stalls[i].second));
        }
        std::printf("\n");
        if (!result.StartsWith("Update Successful"))
            exitCode = 1;
    }

    std::filesystem::path scratch;
    wxTimer ticker;
    std::vector<Clock::time_point> ticks;
    int exitCode = 0; // 1: the update failed, 2: it could not start
};

} // namespace

wxIMPLEMENT_APP(UpdateStallApp);
