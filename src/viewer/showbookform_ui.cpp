#include "viewer/showbookform_ui.h"

#include <wx/menu.h>

#include "platform/desktop_ui.h"
#include "platform/wxtext.h"
#include "shell/mainform_ui.h"
#include "shell/program_ui.h"

namespace {
enum MenuId { ID_Esci1 = wxID_HIGHEST + 1 };
}

TShowBookForm::TShowBookForm(ProgramWindows& windows)
    : wxFrame(windows.MainForm, wxID_ANY, wxEmptyString), windows_(windows) {
    auto* read = new wxMenu;
    read->Append(ID_Esci1, wxS("&Torna alla libreria\tAlt+F4"));
    auto* bar = new wxMenuBar;
    bar->Append(read, wxS("&Leggi"));
    SetMenuBar(bar);
    Bind(wxEVT_MENU, &TShowBookForm::Esci1Click, this, ID_Esci1);
    Bind(wxEVT_CLOSE_WINDOW, &TShowBookForm::FormClose, this);
}

void TShowBookForm::ShowModal() {
    FormShow();
    showModalFrame(this);
}

void TShowBookForm::FormShow() { SetTitle(wxFromUtf16(titlebook)); }

void TShowBookForm::FormClose(wxCloseEvent&) {
    windows_.MainForm->Show();
    endModalFrame(this);
}

void TShowBookForm::Esci1Click(wxCommandEvent&) { Close(); }
