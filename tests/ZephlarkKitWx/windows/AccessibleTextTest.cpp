// The lamp's accessible texts read back the way a screen reader reads them: through the window's
// IAccessible, which oleacc gets from the window by WM_GETOBJECT.

#include <gtest/gtest.h>

#include "MainFrame.h"
#include "PrintWxString.h"
#include "ZLBox.h"

// After the wx headers, whose names (CreateDialog, GetClassInfo) windows.h would turn into macros.
#include <wx/msw/wrapwin.h>
#include <oleacc.h>

namespace {

using TextGetter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);

// The window's own text (CHILDID_SELF), or the HRESULT of the call that failed.
wxString ReadAccessibleText(wxWindow* window, TextGetter get)
{
    IAccessible* accessible = nullptr;
    HRESULT result = AccessibleObjectFromWindow(window->GetHWND(), OBJID_CLIENT, IID_IAccessible,
                                                reinterpret_cast<void**>(&accessible));
    if (FAILED(result))
        return wxString::Format("AccessibleObjectFromWindow: 0x%08lx", result);
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    result = (accessible->*get)(self, &text);
    accessible->Release();
    const wxString value = result == S_OK ? wxString(text) : wxString::Format("0x%08lx", result);
    SysFreeString(text);
    return value;
}

// Under wine the platform layer finds no Zephlark. Which names the window gives is tested on
// Linux through ATK; here, that oleacc reads them and the descriptions.
TEST(AccessibleText, LampTellsAScreenReaderThatNoZephlarkIsConnected)
{
    auto* frame = new MainFrame("Zephlark Utility");
    frame->Show();

    EXPECT_EQ(ReadAccessibleText(frame->statusView, &IAccessible::get_accName),
              "Zephlark is disconnected");
    EXPECT_EQ(ReadAccessibleText(frame->statusView, &IAccessible::get_accDescription),
              "No Zephlark connected");
    frame->Destroy();
}

} // namespace
