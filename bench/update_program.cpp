// The application (UtilityApp: its main window over the real Linux layer, its log on standard
// output) as a user runs it, for the update benchmark:
//   update_program OSFILE
// updates the device with OSFILE (no key) once it is identified, answers the result box with OK
// as the user would, logging its text, logs what the update cost (the benchmark reads it), then
// closes.

#include <wx/cmdline.h>
#include <wx/log.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>

#include <chrono>

#include <sys/resource.h>

#include "update/FirmwareUpdate.h"
#include "MainFrame.h"
#include "UtilityApp.h"
#include "WaitFor.h"
#include "deviceconnection.h"

namespace {

constexpr auto kIdentifyLimit = std::chrono::seconds{10};

// User and system time of the whole process (RUSAGE_SELF) or of the calling thread alone
// (RUSAGE_THREAD).
double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

class BoxAnswers : public wxModalDialogHook
{
protected:
    int Enter(wxDialog* dialog) override
    {
        if (auto* box = dynamic_cast<wxMessageDialogBase*>(dialog))
            wxLogMessage("Answering the box: %s", box->GetMessage());
        return wxID_OK;
    }

    void Exit(wxDialog*) override {}
};

} // namespace

// Not in the anonymous namespace: wxIMPLEMENT_APP defines wxGetApp() returning this class, which
// clang reports as an unused function when the class has internal linkage.
class UpdateProgramApp : public UtilityApp
{
public:
    void OnInitCmdLine(wxCmdLineParser& parser) override
    {
        UtilityApp::OnInitCmdLine(parser);
        parser.AddParam("OSFILE", wxCMD_LINE_VAL_STRING);
    }

    bool OnCmdLineParsed(wxCmdLineParser& parser) override
    {
        osFile = parser.GetParam(0);
        answers.Register();
        return UtilityApp::OnCmdLineParsed(parser);
    }

    bool OnInit() override
    {
        // Parses the command line first.
        if (!UtilityApp::OnInit())
            return false;
        CallAfter(&UpdateProgramApp::Update);
        return true;
    }

private:
    void Update()
    {
        auto* frame = dynamic_cast<MainFrame*>(GetTopWindow());
        const auto identified = WaitFor(
            "the device to be identified",
            [frame] { return frame->deviceConnection->IsDeviceIdentified(); }, kIdentifyLimit);
        if (identified)
            UpdateMeasured(*frame);
        else
            wxLogMessage("%s", identified.message());
        frame->Close(true);
    }

    void UpdateMeasured(MainFrame& frame)
    {
        const double process = CpuSeconds(RUSAGE_SELF);
        const double gui = CpuSeconds(RUSAGE_THREAD);
        const auto start = std::chrono::steady_clock::now();
        frame.UpdateFirmware(osFile, "", false);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        wxLogMessage("update cost: %.3f s, CPU %.3f s, GUI thread %.3f s", took.count(),
                     CpuSeconds(RUSAGE_SELF) - process, CpuSeconds(RUSAGE_THREAD) - gui);
    }

    wxString osFile;
    BoxAnswers answers;
};

wxIMPLEMENT_APP(UpdateProgramApp);
