#pragma once

#include <wx/dialog.h>

// Go-to-page dialog.
class TpageForm : public wxDialog {
public:
    explicit TpageForm(wxWindow* parent) : wxDialog(parent, wxID_ANY, wxS("Vai a pagina")) {}
};
