#pragma once

#include <functional>
#include <string>

#include <wx/dialog.h>

class wxButton;
class wxRadioButton;
class wxSpinButton;
class wxSpinEvent;
class wxStaticBox;
class wxTextCtrl;

// Asks for a folder, starting at initialFolder; empty when cancelled or when
// the choice has no file-system path. Tests replace it, since the folder
// browser cannot be answered from a test.
extern std::function<std::string(wxWindow* parent, const std::string& initialFolder)> chooseLibraryFolder;

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

    // The library folder the next showing puts into the folder field.
    void setLibraryFolder(const std::string& folder) { FolderProgData = folder; }
    std::string libraryFolderField() const;

    void Button3Click();
    // Holds the zoom within 50 to 300 once the dialog has closed.
    void FormClose();

    wxButton* Button1;
    wxButton* Button2;
    wxButton* Button3;
    wxTextCtrl* Edit1;
    wxTextCtrl* Edit2;
    wxSpinButton* UpDown1;
    wxStaticBox* GroupBox1;
    wxRadioButton* RadioButton1;
    wxRadioButton* RadioButton2;
    wxRadioButton* RadioButton3;

private:
    void FormShow(wxShowEvent& event);
    void Edit2KeyPress(wxKeyEvent& event);
    void Edit2KeyDown(wxKeyEvent& event);
    void UpDown1Change(wxSpinEvent& event);

    std::string FolderProgData;
};
