#pragma once

#include <wx/dialog.h>

// About box.
class TInformazioniForm : public wxDialog {
public:
    explicit TInformazioniForm(wxWindow* parent) : wxDialog(parent, wxID_ANY, wxS("Informazioni")) {}
};
