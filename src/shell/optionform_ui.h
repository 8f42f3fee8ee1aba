#pragma once

#include <wx/dialog.h>

class wxRadioButton;
class wxSpinButton;
class wxTextCtrl;

// Options dialog. Its zoom field and colour choices hold the run's live zoom
// and colour scheme, also while the dialog is closed; other windows read and
// change them here.
class TOptionForm : public wxDialog {
public:
    explicit TOptionForm(wxWindow* parent);

    // The zoom field's value; 100 while the field holds no number.
    int zoom() const;
    void setZoom(int value);
    // 2 when sepia is chosen, else 1 when black is, else 0.
    int color() const;
    // 0 white, 1 black, 2 sepia; any other value leaves the choice as it is.
    void setColor(int value);

private:
    wxTextCtrl* Edit1;
    wxSpinButton* UpDown1;
    wxRadioButton* Bianco1;
    wxRadioButton* Nero1;
    wxRadioButton* Seppia1;
};
