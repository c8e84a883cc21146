#include "window/AccessibleText.h"

#include <wx/window.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>

void SetAccessibleText(wxWindow* window, const wxString& name, const wxString& description)
{
    // GTK creates the accessible object even while no accessibility bridge is loaded.
    AtkObject* accessible = gtk_widget_get_accessible(window->GetHandle());
    if (!accessible)
        return;
    atk_object_set_name(accessible, name.utf8_str());
    atk_object_set_description(accessible, description.utf8_str());
}

#elif wxUSE_ACCESSIBILITY
#include <wx/access.h>

namespace {

class FixedTextAccessible : public wxWindowAccessible
{
public:
    using wxWindowAccessible::wxWindowAccessible;

    wxAccStatus GetName(int childId, wxString* text) override
    {
        return Answer(childId, name, text);
    }
    wxAccStatus GetDescription(int childId, wxString* text) override
    {
        return Answer(childId, description, text);
    }

    wxString name;
    wxString description;

private:
    static wxAccStatus Answer(int childId, const wxString& value, wxString* text)
    {
        if (childId != wxACC_SELF)
            return wxACC_NOT_IMPLEMENTED;
        *text = value;
        return wxACC_OK;
    }
};

} // namespace

void SetAccessibleText(wxWindow* window, const wxString& name, const wxString& description)
{
    auto* accessible = dynamic_cast<FixedTextAccessible*>(window->GetAccessible());
    if (!accessible) {
        accessible = new FixedTextAccessible(window);
        window->SetAccessible(accessible);
    }
    accessible->name = name;
    accessible->description = description;
    // A screen reader reads the name again only when told that it changed.
    wxAccessible::NotifyEvent(wxACC_EVENT_OBJECT_NAMECHANGE, window, wxOBJID_CLIENT, wxACC_SELF);
}

#else

void SetAccessibleText(wxWindow*, const wxString&, const wxString&) {}

#endif
