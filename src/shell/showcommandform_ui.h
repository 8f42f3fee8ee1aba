#pragma once

#include <string>

#include <wx/dialog.h>

class TOptionForm;
class wxTextCtrl;

// Help text window: shows a text file listing the keyboard commands of the
// window it was called from.
class TShowCommandForm : public wxDialog {
public:
    // options: where the live colour scheme is held.
    TShowCommandForm(wxWindow* parent, const TOptionForm& options);

    // Shows the file at path modally, read anew; returns when the window
    // has closed.
    void showHelpFile(const std::string& path);

    // The file to show at the next showing.
    std::string fileload;
    wxTextCtrl* Memo1;

private:
    void FormShow(wxShowEvent& event);
    void FormKeyDown(wxKeyEvent& event);

    const TOptionForm& options_;
};
