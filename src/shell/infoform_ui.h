#pragma once

#include <wx/dialog.h>

class wxButton;

// About box: the program's credits and version.
class TInformazioniForm : public wxDialog {
public:
    explicit TInformazioniForm(wxWindow* parent);

    wxButton* Button1;  // "Chiudi"

private:
    void FormKeyDown(wxKeyEvent& event);
};
