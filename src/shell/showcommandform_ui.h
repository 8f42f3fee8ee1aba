#pragma once

#include <wx/dialog.h>

// Help text window.
class TShowCommandForm : public wxDialog {
public:
    explicit TShowCommandForm(wxWindow* parent) : wxDialog(parent, wxID_ANY, wxS("Aiuto")) {}
};
