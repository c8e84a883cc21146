// The application (UtilityApp: its main window over the real Linux layer, its log on standard
// output) with two hooks for the end-to-end tests that run it in a process of its own:
//   zephlark_update_program update OSFILE
//       updates the device with OSFILE (no key) once it is identified, logs what the update cost
//       (the update benchmark reads it), then closes;
//   zephlark_update_program answer RESULTFILE
//       answers the window's boxes as a user would: yes to a question, OK to a message, whose
//       text it writes to RESULTFILE before closing the window.

#include <wx/cmdline.h>
#include <wx/ffile.h>
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
public:
    explicit BoxAnswers(wxString resultPath) : resultPath(std::move(resultPath)) {}

protected:
    int Enter(wxDialog* dialog) override
    {
        auto* box = dynamic_cast<wxMessageDialogBase*>(dialog);
        if (!box)
            return wxID_CANCEL;
        wxLogMessage("Answering the box: %s", box->GetMessage());
        if (box->GetMessageDialogStyle() & wxYES_NO)
            return wxID_YES;
        if (!wxFFile(resultPath, "w").Write(box->GetMessage()))
            wxLogMessage("Failed to write the result to %s.", resultPath);
        wxTheApp->CallAfter([] { wxTheApp->GetTopWindow()->Close(true); });
        return wxID_OK;
    }

    void Exit(wxDialog*) override {}

private:
    wxString resultPath;
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
        parser.AddParam("update|answer");
        parser.AddParam("OSFILE|RESULTFILE");
    }

    bool OnCmdLineParsed(wxCmdLineParser& parser) override
    {
        mode = parser.GetParam(0);
        path = parser.GetParam(1);
        // Before the window exists: it may ask as soon as it identifies the device.
        if (mode == "answer") {
            answers = std::make_unique<BoxAnswers>(path);
            answers->Register();
        }
        return (mode == "update" || mode == "answer") && UtilityApp::OnCmdLineParsed(parser);
    }

    bool OnInit() override
    {
        // Parses the command line first.
        if (!UtilityApp::OnInit())
            return false;
        if (mode == "update")
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
        frame.UpdateFirmware(path, "", false);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        wxLogMessage("update cost: %.3f s, CPU %.3f s, GUI thread %.3f s", took.count(),
                     CpuSeconds(RUSAGE_SELF) - process, CpuSeconds(RUSAGE_THREAD) - gui);
    }

    wxString mode;
    wxString path;
    std::unique_ptr<BoxAnswers> answers;
};

wxIMPLEMENT_APP(UpdateProgramApp);
