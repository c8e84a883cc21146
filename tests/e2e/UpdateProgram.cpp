// The application (UtilityApp: its main window over the real Linux layer, its log on standard
// output) as a user runs it, for the end-to-end test that kills it half way through an update and
// starts it again, and for the update benchmark:
//   zephlark_update_program [update OSFILE]
// answers the window's boxes as the user would, yes to a question and OK to a message, logging
// each box's text; the first message closes the window. With update OSFILE it updates the device
// with OSFILE (no key) once it is identified, logs what the update cost (the update benchmark
// reads it), then closes.

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
        auto* box = dynamic_cast<wxMessageDialogBase*>(dialog);
        if (!box)
            return wxID_CANCEL;
        wxLogMessage("Answering the box: %s", box->GetMessage());
        if (box->GetMessageDialogStyle() & wxYES_NO)
            return wxID_YES;
        wxTheApp->CallAfter([] { wxTheApp->GetTopWindow()->Close(true); });
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
        parser.AddParam("update", wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL);
        parser.AddParam("OSFILE", wxCMD_LINE_VAL_STRING, wxCMD_LINE_PARAM_OPTIONAL);
    }

    bool OnCmdLineParsed(wxCmdLineParser& parser) override
    {
        if (parser.GetParamCount() == 2)
            osFile = parser.GetParam(1);
        // Before the window exists: it may ask as soon as it identifies the device.
        answers.Register();
        return UtilityApp::OnCmdLineParsed(parser);
    }

    bool OnInit() override
    {
        // Parses the command line first.
        if (!UtilityApp::OnInit())
            return false;
        if (!osFile.empty())
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
