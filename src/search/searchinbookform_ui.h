#pragma once

#include <wx/dialog.h>

// Whole-book search window.
class TSearchInBookForm : public wxDialog {
public:
    explicit TSearchInBookForm(wxWindow* parent) : wxDialog(parent, wxID_ANY, wxS("Ricerca in tutto il libro")) {}
};
