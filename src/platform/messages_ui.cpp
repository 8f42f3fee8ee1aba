#include "platform/messages_ui.h"

#include <exception>

#include <wx/msgdlg.h>

#include "platform/errortext.h"
#include "platform/wxtext.h"

const wxString kAppTitle = wxS("raveLund");

MsgResult showMessage(const wxString& text, const wxString& caption, MsgIcon icon, MsgButtons buttons,
                      wxWindow* parent) {
    long style = wxCENTRE;
    switch (icon) {
        case MsgIcon::None: style |= wxICON_NONE; break;
        case MsgIcon::Warning: style |= wxICON_WARNING; break;
        case MsgIcon::Error: style |= wxICON_ERROR; break;
        case MsgIcon::Information: style |= wxICON_INFORMATION; break;
    }
    switch (buttons) {
        case MsgButtons::Ok: style |= wxOK; break;
        case MsgButtons::OkCancel: style |= wxOK | wxCANCEL; break;
        case MsgButtons::YesNo: style |= wxYES_NO; break;
    }
    wxMessageDialog dialog(parent, text, caption, style);
    dialog.SetOKCancelLabels(wxS("OK"), wxS("Annulla"));
    dialog.SetYesNoLabels(wxString::FromUTF8("S\xC3\xAC"), wxS("No"));
    switch (dialog.ShowModal()) {
        case wxID_OK: return MsgResult::Ok;
        case wxID_YES: return MsgResult::Yes;
        case wxID_NO: return MsgResult::No;
        default: return MsgResult::Cancel;
    }
}

void showUnexpectedError(const std::string& what) {
    showMessage(wxFromUtf8(errorMessageText(what)), kAppTitle, MsgIcon::Error, MsgButtons::Ok);
}

bool reportExceptionInFlight() {
    try {
        throw;
    } catch (const std::exception& e) {
        showUnexpectedError(e.what());
    } catch (...) {
        showUnexpectedError("Errore imprevisto");
    }
    return true;
}
