#include "sim/SimDevice.h"

#include <wx/filename.h>
#include <wx/wfstream.h>
#include <wx/zipstrm.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "MonotonicClock.h"
#include "sim/OsFileVersion.h"
#include "sim/SampleOsFile.h"

namespace {

using namespace std::chrono_literals;
using Transcript = std::vector<std::string>;

constexpr char kOffUsb[] = "[off USB]";
constexpr char kSerial[] = "[serial]";
constexpr char kDisk[] = "[disk]";
constexpr char kReady[] = "fwup:Update ready, restarting";
constexpr char kFlashed[] = "fwup: flash complete";
const Transcript kUnpacking = {"fwup: Unpacking 0%", "fwup: Unpacking 25%", "fwup: Unpacking 50%",
                               "fwup: Unpacking 75%", "fwup: Unpacking 100%"};

Transcript Join(std::initializer_list<Transcript> parts)
{
    Transcript all;
    for (const Transcript& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class ScratchFolder
{
public:
    ScratchFolder()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zephlark-install-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

// Bytes of an archive entry as an independent reader sees them.
std::string EntryData(const wxString& archive, const wxString& name)
{
    wxFileInputStream file(archive);
    wxZipInputStream zip(file);
    std::unique_ptr<wxZipEntry> entry;
    while (entry.reset(zip.GetNextEntry()), entry) {
        if (entry->GetName(wxPATH_UNIX) != name)
            continue;
        std::string data(static_cast<size_t>(entry->GetSize()), '\0');
        zip.Read(data.data(), data.size());
        return data.substr(0, zip.LastRead());
    }
    return "<no entry>";
}

const char* FaceName(sim::UsbFace face)
{
    switch (face) {
    case sim::UsbFace::Serial:
        return kSerial;
    case sim::UsbFace::Disk:
        return kDisk;
    case sim::UsbFace::None:
        break;
    }
    return kOffUsb;
}

// A device with echo off and files on its data disk, run on virtual time by a host that reads
// every line and notices every change of USB face, each noted at the time it happened.
class SimDeviceInstallTest : public testing::Test
{
protected:
    struct Event
    {
        MonotonicClock::Duration at;
        std::string what;
    };

    void SetUp() override
    {
        ASSERT_FALSE(disk.path.empty());
        SetClock(&clock);
        start = clock.Now();
        device.SetPlugged(true);
        device.Settings().diskFolder = disk.path;
        device.Receive("echo off\n");
        device.TakeOutput(SIZE_MAX);
        ASSERT_TRUE(sim::WriteSampleOsFile(File("update.zlos"), "2.0.0"));
        WriteFile("owner.zlkey", "key material");
    }
    void TearDown() override { SetClock(nullptr); }

    wxString File(const std::string& name) const
    {
        return wxString::FromUTF8((disk.path / name).u8string());
    }

    void WriteFile(const std::string& name, const std::string& data) const
    {
        std::ofstream(disk.path / name, std::ios::binary) << data;
    }

    void Send(const std::string& line)
    {
        device.Receive(line + "\n");
        Collect();
    }

    // Runs the device for d in 10 ms steps.
    void Run(MonotonicClock::Duration d)
    {
        for (auto left = d; left > 0s; left -= 10ms) {
            clock.Advance(10ms);
            device.RunDueActions();
            Collect();
        }
    }

    Transcript Texts() const
    {
        Transcript texts;
        for (const Event& event : events)
            texts.push_back(event.what);
        return texts;
    }

    MonotonicClock::Duration TimeOf(const std::string& what) const
    {
        for (const Event& event : events) {
            if (event.what == what)
                return event.at;
        }
        ADD_FAILURE() << "never happened: " << what;
        return {};
    }

    // As the host asks after each connection: echo off first, since a restart turns it on.
    std::string VersionReport()
    {
        Send("echo off");
        events.clear();
        Send("version");
        Transcript texts = Texts();
        return texts.size() == 6 ? texts[3] + " " + texts[4] : "no report";
    }

    ScratchFolder disk;
    VirtualClock clock;
    sim::SimDevice device;
    std::vector<Event> events;

private:
    void Collect()
    {
        const auto at = clock.Now() - start;
        const sim::UsbFace face = device.Face();
        if (face != lastFace)
            events.push_back({at, FaceName(face)});
        lastFace = face;
        partial += device.TakeOutput(SIZE_MAX);
        for (size_t end; (end = partial.find("\r\n")) != std::string::npos;) {
            events.push_back({at, partial.substr(0, end)});
            partial.erase(0, end + 2);
        }
    }

    MonotonicClock::TimePoint start;
    sim::UsbFace lastFace = sim::UsbFace::Serial;
    std::string partial;
};

TEST_F(SimDeviceInstallTest, InstallReportsUnpackingRestartsFlashesRestartsAndTakesTheNewVersion)
{
    Send("fwup /update.zlos");
    Run(1min);
    EXPECT_EQ(Texts(), Join({{"fwup: Checking files"},
                             kUnpacking,
                             {kReady, kOffUsb, kSerial, kFlashed, kOffUsb, kSerial}}));
    EXPECT_EQ(VersionReport(), "build=2.0.0 SDK=2.0.0");
}

TEST_F(SimDeviceInstallTest, InstallWithAKeyChecksItFirst)
{
    Send("fwup /update.zlos /owner.zlkey");
    Run(1min);
    EXPECT_EQ(Texts(), Join({{"fwup: Checking files", "fwup: Checking key"},
                             kUnpacking,
                             {kReady, kOffUsb, kSerial, kFlashed, kOffUsb, kSerial}}));
    EXPECT_EQ(VersionReport(), "build=2.0.0 SDK=2.0.0");
}

TEST_F(SimDeviceInstallTest, EachStageTakesItsOwnSettableTime)
{
    sim::DeviceSettings& settings = device.Settings();
    settings.installStepDelay = 100ms;
    settings.restartNoticeDelay = 30ms;
    settings.restartDelay = 3s;
    settings.flashDelay = 7s;
    Send("fwup /update.zlos");
    Run(20s);
    EXPECT_EQ(TimeOf("fwup: Checking files"), 0ms);
    EXPECT_EQ(TimeOf("fwup: Unpacking 0%"), 100ms);
    EXPECT_EQ(TimeOf(kReady), 600ms);
    EXPECT_EQ(TimeOf(kFlashed), 600ms + 30ms + 3s + 7s);
    ASSERT_EQ(events.size(), 12u);
    EXPECT_EQ(events[7].at, 630ms);                // off USB
    EXPECT_EQ(events[8].at, 630ms + 3s);           // back
    EXPECT_EQ(events[10].at, 10630ms + 30ms);      // off USB again
    EXPECT_EQ(events[11].at, 10630ms + 30ms + 3s); // back
}

TEST_F(SimDeviceInstallTest, BadKeyFailsItsCheckAndInstallsNothing)
{
    WriteFile("empty.zlkey", "");
    for (const std::string key : {"missing.zlkey", "empty.zlkey"}) {
        events.clear();
        Send("fwup /update.zlos /" + key);
        Run(1min);
        EXPECT_EQ(Texts(), (Transcript{"fwup: Checking files", "fwup: Checking key",
                                       "fwup: Key check failed"}))
            << key;
    }
    EXPECT_EQ(VersionReport(), "build=1.4.2 SDK=1.4.2");
}

struct BadOsFile
{
    const char* name;
    std::vector<sim::ArchiveEntry> entries; // empty: the file holds plain text instead
    const char* error;
};

class SimDeviceBadOsFileTest : public SimDeviceInstallTest,
                               public testing::WithParamInterface<BadOsFile>
{
};

TEST_P(SimDeviceBadOsFileTest, AnswersAnErrorLineAndInstallsNothing)
{
    const BadOsFile& file = GetParam();
    if (file.entries.empty()) {
        WriteFile("bad.zlos", "this is no archive\n");
    } else {
        ASSERT_TRUE(sim::WriteZipArchive(File("bad.zlos"), file.entries));
    }
    Send("fwup /bad.zlos");
    Run(1min);
    EXPECT_EQ(Texts(), (Transcript{"fwup: Checking files", file.error}));
    EXPECT_EQ(VersionReport(), "build=1.4.2 SDK=1.4.2");
}

INSTANTIATE_TEST_SUITE_P(
    Files, SimDeviceBadOsFileTest,
    testing::Values(BadOsFile{"NotAZip", {}, "fwup_error: Not a valid OS file: /bad.zlos"},
                    BadOsFile{"CapitalVersion",
                              {{"Version", "2.0.0"}},
                              "fwup_error: No version in OS file: /bad.zlos"},
                    BadOsFile{"NestedVersion",
                              {{"x/version", "2.0.0"}},
                              "fwup_error: No version in OS file: /bad.zlos"},
                    BadOsFile{"EmptyVersion",
                              {{"version", ""}},
                              "fwup_error: No version in OS file: /bad.zlos"},
                    BadOsFile{"HugeVersion",
                              {{"version", std::string(sim::kMaxOsVersionBytes + 1, '1')}},
                              "fwup_error: Version too large in OS file: /bad.zlos"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimDeviceInstallTest, MissingFileIsAnErrorLineEvenWhenTheDiskWasNeverPresented)
{
    Send("fwup /absent.zlos");
    Run(1min);
    EXPECT_EQ(Texts(),
              (Transcript{"fwup: Checking files", "fwup_error: File not found: /absent.zlos"}));

    // With no disk folder the device must not look in the folder the process happens to be in.
    events.clear();
    device.Settings().diskFolder.clear();
    const auto previousFolder = std::filesystem::current_path();
    std::filesystem::current_path(disk.path);
    Send("fwup /update.zlos");
    std::filesystem::current_path(previousFolder);
    Run(1min);
    EXPECT_EQ(Texts(),
              (Transcript{"fwup: Checking files", "fwup_error: File not found: /update.zlos"}));
}

TEST_F(SimDeviceInstallTest, MalformedCommandGetsTheUsage)
{
    for (const std::string command :
         {"fwup", "fwup update.zlos", "fwup /", "fwup /update.zlos /a /b", "fwup /../update.zlos",
          "fwup /sub/update.zlos", "fwup /update.zlos  /owner.zlkey"}) {
        events.clear();
        Send(command);
        EXPECT_EQ(Texts(), (Transcript{"fwup_error: Usage: fwup /OSFILE [/KEYFILE]"})) << command;
    }
}

struct FaultCase
{
    const char* name;
    sim::InstallFault fault;
    Transcript afterChecking;
    const char* sdkAfter;
};

class SimDeviceInstallFaultTest : public SimDeviceInstallTest,
                                  public testing::WithParamInterface<FaultCase>
{
};

TEST_P(SimDeviceInstallFaultTest, StopsWhereTheFaultStrikes)
{
    device.Settings().installFault = GetParam().fault;
    Send("fwup /update.zlos");
    Run(5min);
    Transcript expected = GetParam().afterChecking;
    if (GetParam().fault != sim::InstallFault::Silent)
        expected.insert(expected.begin(), "fwup: Checking files");
    EXPECT_EQ(Texts(), expected);
    EXPECT_EQ(device.Settings().version.sdk, GetParam().sdkAfter);
}

const Transcript kHalfUnpacked = {kUnpacking[0], kUnpacking[1]};
const Transcript kUnpacked = Join({kUnpacking, {kReady}});

INSTANTIATE_TEST_SUITE_P(
    Faults, SimDeviceInstallFaultTest,
    testing::Values(
        FaultCase{"FailedStatus", sim::InstallFault::FailedStatus,
                  Join({kHalfUnpacked, {"fwup: Unpacking failed"}}), "1.4.2"},
        FaultCase{"ErrorLine", sim::InstallFault::ErrorLine,
                  Join({kHalfUnpacked, {"fwup_error: Write error while unpacking"}}), "1.4.2"},
        FaultCase{"Silent", sim::InstallFault::Silent, {}, "1.4.2"},
        FaultCase{"StaysAfterReady", sim::InstallFault::StaysAfterReady, kUnpacked, "1.4.2"},
        FaultCase{"LostInFirstRestart", sim::InstallFault::LostInFirstRestart,
                  Join({kUnpacked, {kOffUsb}}), "1.4.2"},
        FaultCase{"NoFlashReport", sim::InstallFault::NoFlashReport,
                  Join({kUnpacked, {kOffUsb, kSerial}}), "1.4.2"},
        FaultCase{"StaysAfterFlash", sim::InstallFault::StaysAfterFlash,
                  Join({kUnpacked, {kOffUsb, kSerial, kFlashed}}), "2.0.0"},
        FaultCase{"LostInSecondRestart", sim::InstallFault::LostInSecondRestart,
                  Join({kUnpacked, {kOffUsb, kSerial, kFlashed, kOffUsb}}), "2.0.0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimDeviceInstallTest, OneInstallAtATimeAndDataDiskModeAbandonsIt)
{
    Send("fwup /update.zlos");
    Run(1s);
    Send("fwup /update.zlos");
    Send("datadisk");
    Run(device.Settings().diskDelay);
    EXPECT_TRUE(device.EjectDisk());
    Run(1min);
    EXPECT_EQ(Texts(), (Transcript{"fwup: Checking files", kUnpacking[0], kUnpacking[1],
                                   "fwup_error: Update already in progress", kOffUsb, kDisk,
                                   kOffUsb, kSerial}));
    EXPECT_EQ(device.Settings().version.sdk, "1.4.2");

    Send("echo off");
    Send("fwup /update.zlos");
    Run(1min);
    EXPECT_EQ(Texts().back(), kSerial);
    EXPECT_EQ(device.Settings().version.sdk, "2.0.0");
}

TEST(SampleOsFile, HoldsTheVersionTextExactlyAndTheDeviceReadsItsFirstLine)
{
    ScratchFolder folder;
    const wxString path = wxString::FromUTF8((folder.path / "sample.zlos").u8string());
    for (const std::string text : {"2.0.0", "3.1-beta2\n", "4.0\r\nsecond line"}) {
        ASSERT_TRUE(sim::WriteSampleOsFile(path, wxString::FromUTF8(text)));
        EXPECT_EQ(EntryData(path, "version"), text);
        const sim::OsFileVersion version = sim::ReadOsFileVersion(folder.path / "sample.zlos");
        EXPECT_EQ(version.check, sim::OsFileCheck::Ok);
        EXPECT_EQ(version.text, text.substr(0, text.find_first_of("\r\n")));
    }
    LogCapture log;
    EXPECT_FALSE(sim::WriteSampleOsFile(path + "/here.zlos", "2.0.0"));
    EXPECT_TRUE(log.Contains("Failed to create the OS file " + path + "/here.zlos."));
}

} // namespace
