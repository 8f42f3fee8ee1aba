#pragma once

#include <wx/dialog.h>

// Find-text dialog; it has no caption text.
class TFindText1 : public wxDialog {
public:
    explicit TFindText1(wxWindow* parent) : wxDialog(parent, wxID_ANY, wxEmptyString) {}
};
