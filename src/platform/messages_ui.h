// Every message box of the program goes through here, so captions, icons
// and the Italian buttons are alike everywhere and tests can answer them.
#pragma once

#include <string>

#include <wx/string.h>

class wxWindow;

enum class MsgIcon { None, Warning, Error, Information };
enum class MsgButtons { Ok, OkCancel, YesNo };
enum class MsgResult { Ok, Cancel, Yes, No };

extern const wxString kAppTitle;  // "raveLund"

MsgResult showMessage(const wxString& text, const wxString& caption, MsgIcon icon, MsgButtons buttons,
                      wxWindow* parent = nullptr);

// Shows an error that no command expected, with the application title as
// caption; the program then goes on with the next user action.
void showUnexpectedError(const std::string& what);
// For wxApp::OnExceptionInMainLoop: reports the exception in flight and
// returns true so that the event loop goes on.
bool reportExceptionInFlight();
