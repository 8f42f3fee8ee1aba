#include "shell/infoform_ui.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "shell/mainform_ui.h"
#include "shell/program_ui.h"

TInformazioniForm::TInformazioniForm(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, wxS("Informazioni"), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
    const wxFont font(wxFontInfo(wxSize(0, 13)).FaceName(wxS("Tahoma")).Bold());
    auto* column = new wxBoxSizer(wxVERTICAL);
    for (const wxString& line : {wxString::FromUTF8("Diritti riservati agli autori di raveLund"),
                                 wxString(wxS("Realizzato dagli sviluppatori di raveLund")),
                                 wxString(wxS("Versione 1.0"))}) {
        auto* text = new wxStaticText(this, wxID_ANY, line, wxDefaultPosition, wxDefaultSize,
                                      wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE | wxBORDER_SUNKEN);
        text->SetFont(font);
        text->SetMinSize(wxSize(text->GetTextExtent(line).x + 40, -1));
        column->Add(text, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 10);
    }
    Button1 = new wxButton(this, wxID_OK, wxS("Chiudi"));
    Button1->SetDefault();
    column->Add(Button1, 0, wxALIGN_CENTRE | wxALL, 10);
    SetSizerAndFit(column);
    Button1->SetFocus();
    // The box sees every key before its controls do.
    Bind(wxEVT_CHAR_HOOK, &TInformazioniForm::FormKeyDown, this);
}

void TInformazioniForm::FormKeyDown(wxKeyEvent& event) {
    if (!event.HasAnyModifiers()) {
        switch (event.GetKeyCode()) {
            case WXK_ESCAPE: EndModal(wxID_CANCEL); return;
            case WXK_RETURN:
            case WXK_NUMPAD_ENTER: EndModal(wxID_OK); return;
            default: break;
        }
    }
    event.Skip();
}

void TMainForm::Informazioni1Click() { windows_->InformazioniForm->ShowModal(); }
