#pragma once

#include <wx/dialog.h>

// Bookmark title dialog.
class TModifyTextForm : public wxDialog {
public:
    explicit TModifyTextForm(wxWindow* parent) : wxDialog(parent, wxID_ANY, wxS("Modifica segnalibro")) {}
};
