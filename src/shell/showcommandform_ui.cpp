#include "shell/showcommandform_ui.h"

#include <exception>

#include <wx/display.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include "platform/colours_ui.h"
#include "platform/fileio.h"
#include "platform/messages_ui.h"
#include "platform/wxtext.h"
#include "shell/helptext.h"
#include "shell/mainform_ui.h"
#include "shell/optionform_ui.h"
#include "shell/program_ui.h"

TShowCommandForm::TShowCommandForm(wxWindow* parent, const TOptionForm& options)
    : wxDialog(parent, wxID_ANY, wxS("Aiuto"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER | wxMAXIMIZE_BOX),
      options_(options) {
    Memo1 = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                           wxTE_MULTILINE | wxTE_READONLY);
    Memo1->SetFont(wxFont(wxFontInfo(wxSize(0, 19)).FaceName(wxS("Verdana"))));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(Memo1, 1, wxEXPAND);
    SetSizer(sizer);
    // Filling the screen also where no window manager maximises.
    SetSize(wxDisplay(parent).GetClientArea());
    Bind(wxEVT_SHOW, &TShowCommandForm::FormShow, this);
    // The window sees every key before the text does.
    Bind(wxEVT_CHAR_HOOK, &TShowCommandForm::FormKeyDown, this);
}

void TShowCommandForm::showHelpFile(const std::string& path) {
    fileload = path;
    Maximize();
    ShowModal();
}

void TShowCommandForm::FormShow(wxShowEvent& event) {
    event.Skip();
    if (!event.IsShown()) return;
    setListColor(Memo1, options_.color());
    // A file that cannot be read is reported and the window opens with the
    // text it held before.
    try {
        Memo1->ChangeValue(wxFromUtf8(decodeHelpText(fileio::readWholeFile(fileio::toPath(fileload)))));
    } catch (const std::exception& e) {
        showUnexpectedError(e.what());
    }
    Memo1->SetInsertionPoint(0);
    Memo1->ShowPosition(0);
    Memo1->SetFocus();
}

void TShowCommandForm::FormKeyDown(wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_ESCAPE && !event.HasAnyModifiers()) {
        EndModal(wxID_OK);
        return;
    }
    event.Skip();
}

void TMainForm::Aiuto1Click() {
    windows_->ShowCommandForm->showHelpFile(
        fileio::fromPath(fileio::toPath(FolderProg) / "libcmd.txt"));
}
