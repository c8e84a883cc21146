// The program's side of the update benchmark: the application itself (UtilityApp: its log on
// standard output, its main window over the real Linux layer), which makes one whole firmware
// update of OSFILE once the device is identified, writes what it cost to FIGURES and closes.
// update_bench starts it inside its testbed with the device plugged in:
//   update_bench_program OSFILE FIGURES

#include <wx/cmdline.h>
#include <wx/log.h>

#include <chrono>

#include <sys/resource.h>

#include "update/FirmwareUpdate.h"
#include "MainFrame.h"
#include "ThreadCpu.h"
#include "UpdateRunFigures.h"
#include "UtilityApp.h"
#include "WaitFor.h"
#include "deviceconnection.h"

namespace {

constexpr auto kIdentifyLimit = std::chrono::seconds{10};

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

UpdateRunFigures MeasureUpdate(MainFrame& frame, const wxString& osPath)
{
    const double processBefore = ProcessCpuSeconds();
    const double guiBefore = ThisThreadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const wxString result = frame.UpdateFirmware(osPath, "", false).text;
    UpdateRunFigures figures;
    figures.updateSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.processCpuSeconds = ProcessCpuSeconds() - processBefore;
    figures.guiCpuSeconds = ThisThreadCpuSeconds() - guiBefore;
    figures.result = result.utf8_str().data();
    return figures;
}

class UpdateBenchApp : public UtilityApp
{
public:
    void OnInitCmdLine(wxCmdLineParser& parser) override
    {
        UtilityApp::OnInitCmdLine(parser);
        parser.AddParam("OSFILE");
        parser.AddParam("FIGURES");
    }

    bool OnCmdLineParsed(wxCmdLineParser& parser) override
    {
        osPath = parser.GetParam(0);
        figuresPath = parser.GetParam(1);
        return UtilityApp::OnCmdLineParsed(parser);
    }

    bool OnInit() override
    {
        if (!UtilityApp::OnInit())
            return false;
        // From the running event loop, as the update runs when the user starts it.
        CallAfter(&UpdateBenchApp::RunUpdate);
        return true;
    }

private:
    void RunUpdate()
    {
        auto* frame = dynamic_cast<MainFrame*>(GetTopWindow());
        UpdateRunFigures figures;
        const auto identified = WaitFor(
            "the device to be identified",
            [frame] { return frame->deviceConnection->IsDeviceIdentified(); }, kIdentifyLimit);
        if (identified)
            figures = MeasureUpdate(*frame, osPath);
        else
            figures.result = identified.message();
        if (!WriteUpdateRunFigures(figuresPath.utf8_str().data(), figures))
            wxLogMessage("Failed to write the figures to %s.", figuresPath);
        frame->Close(true);
    }

    wxString osPath;
    wxString figuresPath;
};

} // namespace

wxIMPLEMENT_APP(UpdateBenchApp);
