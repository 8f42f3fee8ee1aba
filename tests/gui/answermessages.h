// Answers the program's message boxes with OK and lets every other modal
// dialog be shown for real, so a test can drive one of our own dialogs in
// its modal loop while the message boxes it raises are answered and kept.
#pragma once

#include <vector>

#include <wx/modalhook.h>
#include <wx/msgdlg.h>

namespace gui {

class AnswerMessages : public wxModalDialogHook {
public:
    struct Message {
        wxString text, caption;
        long icon;
    };

    AnswerMessages() { Register(); }
    ~AnswerMessages() override { Unregister(); }

    std::vector<Message> seen;

protected:
    int Enter(wxDialog* dialog) override {
        auto* box = dynamic_cast<wxMessageDialog*>(dialog);
        if (!box) return wxID_NONE;
        seen.push_back({box->GetMessage(), box->GetCaption(), box->GetMessageDialogStyle() & wxICON_MASK});
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}
};

}  // namespace gui
