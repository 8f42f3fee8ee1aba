#pragma once

#include <wx/dialog.h>

// Bookmark window: the bookmarks of the open book.
class TbookmarkForm : public wxDialog {
public:
    explicit TbookmarkForm(wxWindow* parent) : wxDialog(parent, wxID_ANY, wxS("Segnalibri")) {}
};
