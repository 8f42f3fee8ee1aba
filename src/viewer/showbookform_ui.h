#pragma once

#include <string>

#include <wx/frame.h>

struct ProgramWindows;

// Reading window: shown modally while a book is open; closing it brings the
// library window back.
class TShowBookForm : public wxFrame {
public:
    explicit TShowBookForm(ProgramWindows& windows);

    // Set by the library window before showing.
    std::u16string titlebook;
    std::string epubFolder;

    // Returns when the window has been closed.
    void ShowModal();

private:
    void FormShow();
    void FormClose(wxCloseEvent& event);
    void Esci1Click(wxCommandEvent& event);

    ProgramWindows& windows_;
};
