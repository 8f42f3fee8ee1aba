#include "shell/optionform_ui.h"

#include <algorithm>

#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/spinbutt.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "platform/desktop_ui.h"

TOptionForm::TOptionForm(wxWindow* parent) : wxDialog(parent, wxID_ANY, wxS("Opzioni")) {
    auto* zoomLabel = new wxStaticText(this, wxID_ANY, wxS("Zoom"));
    Edit1 = new wxTextCtrl(this, wxID_ANY, wxS("100"));
    UpDown1 = new wxSpinButton(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_VERTICAL);
    UpDown1->SetRange(50, 300);
    UpDown1->SetValue(100);
    UpDown1->Bind(wxEVT_SPIN, [this](wxSpinEvent& event) { setZoom(event.GetPosition()); });
    labelField(zoomLabel, Edit1);

    Bianco1 = new wxRadioButton(this, wxID_ANY, wxS("Bianco"), wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
    Nero1 = new wxRadioButton(this, wxID_ANY, wxS("Nero"));
    Seppia1 = new wxRadioButton(this, wxID_ANY, wxS("Seppia"));
    Bianco1->SetValue(true);

    auto* zoomRow = new wxBoxSizer(wxHORIZONTAL);
    zoomRow->Add(zoomLabel, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    zoomRow->Add(Edit1, 1, wxALIGN_CENTER_VERTICAL);
    zoomRow->Add(UpDown1, 0, wxALIGN_CENTER_VERTICAL);
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(zoomRow, 0, wxEXPAND | wxALL, 8);
    for (wxRadioButton* choice : {Bianco1, Nero1, Seppia1}) column->Add(choice, 0, wxLEFT | wxRIGHT | wxBOTTOM, 8);
    SetSizerAndFit(column);
}

int TOptionForm::zoom() const {
    long value = 0;
    return Edit1->GetValue().ToLong(&value) ? static_cast<int>(value) : 100;
}

void TOptionForm::setZoom(int value) {
    Edit1->ChangeValue(wxString::Format(wxS("%d"), value));
    UpDown1->SetValue(std::clamp(value, 50, 300));
}

int TOptionForm::color() const {
    if (Seppia1->GetValue()) return 2;
    if (Nero1->GetValue()) return 1;
    return 0;
}

void TOptionForm::setColor(int value) {
    switch (value) {
        case 0: Bianco1->SetValue(true); break;
        case 1: Nero1->SetValue(true); break;
        case 2: Seppia1->SetValue(true); break;
        default: break;
    }
}
