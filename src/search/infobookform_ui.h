#pragma once

#include <wx/dialog.h>

// Book information window: page count and current page.
class TinfobookForm : public wxDialog {
public:
    explicit TinfobookForm(wxWindow* parent) : wxDialog(parent, wxID_ANY, wxS("Informazioni libro")) {}
};
