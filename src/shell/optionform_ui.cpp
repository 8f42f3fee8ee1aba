#include "shell/optionform_ui.h"

#include <algorithm>
#include <climits>

#include <wx/button.h>
#include <wx/dirdlg.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/spinbutt.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "platform/desktop_ui.h"
#include "platform/wxtext.h"

namespace {

constexpr int kMinZoom = 50;
constexpr int kMaxZoom = 300;

}  // namespace

std::function<std::string(wxWindow*, const std::string&)> chooseLibraryFolder = [](wxWindow* parent,
                                                                                  const std::string& initialFolder) {
    wxDirDialog dialog(parent, wxString(), wxFromUtf8(initialFolder), wxDD_DEFAULT_STYLE);
    return dialog.ShowModal() == wxID_OK ? toUtf8(dialog.GetPath()) : std::string();
};

TOptionForm::TOptionForm(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, wxS("Opzioni"), wxDefaultPosition, wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
    // Created in the keyboard order; the sizers below place them.
    Button1 = new wxButton(this, wxID_OK, wxS("OK"));
    Button2 = new wxButton(this, wxID_CANCEL, wxS("Annulla"));
    Button3 = new wxButton(this, wxID_ANY, wxS("Cambia cartella libreria"));
    auto* folderLabel = new wxStaticText(this, wxID_ANY, wxS("Cartella libreria"));
    Edit1 = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxSize(420, -1), wxTE_READONLY);
    auto* zoomLabel = new wxStaticText(this, wxID_ANY, wxS("Percentuale zoom font"));
    Edit2 = new wxTextCtrl(this, wxID_ANY, wxS("100"));
    UpDown1 = new wxSpinButton(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_VERTICAL);
    UpDown1->SetRange(kMinZoom, kMaxZoom);
    UpDown1->SetValue(100);
    GroupBox1 = new wxStaticBox(this, wxID_ANY, wxS("Colore sfondo"));
    RadioButton1 = new wxRadioButton(GroupBox1, wxID_ANY, wxS("Bianco"), wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
    RadioButton2 = new wxRadioButton(GroupBox1, wxID_ANY, wxS("Nero"));
    RadioButton3 = new wxRadioButton(GroupBox1, wxID_ANY, wxS("Seppia"));
    RadioButton1->SetValue(true);
    labelField(folderLabel, Edit1);
    labelField(zoomLabel, Edit2);
    Button1->SetDefault();

    auto* fields = new wxFlexGridSizer(2, 6, 6);
    fields->AddGrowableCol(1);
    fields->Add(folderLabel, 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(Edit1, 1, wxEXPAND);
    fields->AddSpacer(0);
    fields->Add(Button3, 0, wxALIGN_LEFT);
    fields->Add(zoomLabel, 0, wxALIGN_CENTER_VERTICAL);
    auto* zoomRow = new wxBoxSizer(wxHORIZONTAL);
    zoomRow->Add(Edit2, 0, wxALIGN_CENTER_VERTICAL);
    zoomRow->Add(UpDown1, 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(zoomRow);
    auto* colours = new wxStaticBoxSizer(GroupBox1, wxVERTICAL);
    for (wxRadioButton* choice : {RadioButton1, RadioButton2, RadioButton3}) colours->Add(choice, 0, wxALL, 4);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer();
    buttons->Add(Button1, 0, wxRIGHT, 6);
    buttons->Add(Button2);
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(fields, 0, wxEXPAND | wxALL, 10);
    column->Add(colours, 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
    column->Add(buttons, 0, wxEXPAND | wxALL, 10);
    SetSizerAndFit(column);

    // The hidden menu of small dialogs: Alt+F4 closes as cancelled.
    wxAcceleratorEntry close(wxACCEL_ALT, WXK_F4, wxID_CANCEL);
    SetAcceleratorTable(wxAcceleratorTable(1, &close));
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { EndModal(wxID_CANCEL); }, wxID_CANCEL);

    Bind(wxEVT_SHOW, &TOptionForm::FormShow, this);
    Button3->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Button3Click(); });
    Edit2->Bind(wxEVT_CHAR, &TOptionForm::Edit2KeyPress, this);
    Edit2->Bind(wxEVT_KEY_DOWN, &TOptionForm::Edit2KeyDown, this);
    // Typed digits move the up-down control along, so its arrows step from
    // what the field shows.
    Edit2->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { UpDown1->SetValue(std::clamp(zoom(), kMinZoom, kMaxZoom)); });
    UpDown1->Bind(wxEVT_SPIN, &TOptionForm::UpDown1Change, this);
}

int TOptionForm::zoom() const {
    long value = 0;
    if (!Edit2->GetValue().ToLong(&value)) return 100;
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

void TOptionForm::setZoom(int value) {
    Edit2->ChangeValue(wxString::Format(wxS("%d"), value));
    UpDown1->SetValue(std::clamp(value, kMinZoom, kMaxZoom));
}

int TOptionForm::color() const {
    if (RadioButton3->GetValue()) return 2;
    if (RadioButton2->GetValue()) return 1;
    return 0;
}

void TOptionForm::setColor(int value) {
    switch (value) {
        case 0: RadioButton1->SetValue(true); break;
        case 1: RadioButton2->SetValue(true); break;
        case 2: RadioButton3->SetValue(true); break;
        default: break;
    }
}

std::string TOptionForm::libraryFolderField() const { return toUtf8(Edit1->GetValue()); }

void TOptionForm::FormShow(wxShowEvent& event) {
    event.Skip();
    if (!event.IsShown()) return;
    Edit1->ChangeValue(wxFromUtf8(FolderProgData));
}

void TOptionForm::Button3Click() {
    // The browser starts in the folder that holds the library folder.
    const size_t lastSeparator = FolderProgData.find_last_of(wxFILE_SEP_PATH == '\\' ? "\\/" : "/");
    const std::string initial =
        lastSeparator == std::string::npos ? std::string() : FolderProgData.substr(0, lastSeparator + 1);
    const std::string chosen = chooseLibraryFolder(this, initial);
    if (!chosen.empty()) Edit1->ChangeValue(wxFromUtf8(chosen));
}

void TOptionForm::FormClose() {
    // Also within the range the field and the up-down control are made to
    // agree, whatever was typed.
    setZoom(std::clamp(zoom(), kMinZoom, kMaxZoom));
}

void TOptionForm::Edit2KeyPress(wxKeyEvent& event) {
    const wxChar c = event.GetUnicodeKey();
    // Keys without a character (arrows, Delete …) and Backspace, Tab, Enter
    // and Esc keep their usual meaning: Backspace removes the one character
    // before the caret, Tab moves on, Enter and Esc close the dialog.
    if (c == WXK_NONE || c == WXK_BACK || c == WXK_TAB || c == WXK_RETURN || c == WXK_ESCAPE ||
        (c >= '0' && c <= '9')) {
        event.Skip();
        return;
    }
    wxBell();
}

void TOptionForm::Edit2KeyDown(wxKeyEvent& event) {
    switch (event.GetKeyCode()) {
        case WXK_UP:
        case WXK_NUMPAD_UP: setZoom(std::min(std::clamp(zoom(), kMinZoom, kMaxZoom) + 1, kMaxZoom)); break;
        case WXK_DOWN:
        case WXK_NUMPAD_DOWN: setZoom(std::max(std::clamp(zoom(), kMinZoom, kMaxZoom) - 1, kMinZoom)); break;
        default: event.Skip(); break;
    }
}

void TOptionForm::UpDown1Change(wxSpinEvent& event) { setZoom(event.GetPosition()); }
