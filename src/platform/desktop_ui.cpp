#include "platform/desktop_ui.h"

#include <map>

#include <gtk/gtk.h>
#include <wx/evtloop.h>
#include <wx/filedlg.h>
#include <wx/filefn.h>
#include <wx/frame.h>
#include <wx/intl.h>
#include <wx/stdpaths.h>
#include <wx/translation.h>
#include <wx/utils.h>

#include "platform/wxtext.h"

std::string documentsFolder() { return toUtf8(wxStandardPaths::Get().GetDocumentsDir()); }

std::string applicationDataFolder() { return toUtf8(wxStandardPaths::Get().GetUserConfigDir()); }

std::string currentFolder() { return toUtf8(wxGetCwd()); }

void useItalianToolkitTexts() {
    if (!wxTranslations::Get()) wxTranslations::Set(new wxTranslations);
    wxTranslations::Get()->SetLanguage(wxLANGUAGE_ITALIAN);
    wxTranslations::Get()->AddStdCatalog();
}

std::function<std::string(wxWindow*)> chooseFileToOpen = [](wxWindow* parent) {
    wxFileDialog dialog(parent);
    return dialog.ShowModal() == wxID_OK ? toUtf8(dialog.GetPath()) : std::string();
};

void labelField(wxWindow* label, wxWindow* field) {
    GtkWidget* labelWidget = label->GetHandle();
    GtkWidget* fieldWidget = field->GetHandle();
    if (labelWidget && fieldWidget && GTK_IS_LABEL(labelWidget))
        gtk_label_set_mnemonic_widget(GTK_LABEL(labelWidget), fieldWidget);
}

namespace {
std::map<wxFrame*, wxGUIEventLoop*> modalLoops;
}

void showModalFrame(wxFrame* frame) {
    wxWindowDisabler disabler(frame);
    wxGUIEventLoop loop;
    modalLoops[frame] = &loop;
    frame->Show();
    frame->Raise();
    loop.Run();
    modalLoops.erase(frame);
}

void endModalFrame(wxFrame* frame) {
    frame->Hide();
    const auto it = modalLoops.find(frame);
    if (it != modalLoops.end()) it->second->Exit();
}
