// Runs the GUI tests inside the wx event loop, so windows, modal dialogs and
// the web view behave as they do in the program.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/log.h>

#include "platform/desktop_ui.h"
#include "platform/messages_ui.h"

namespace {

class GuiTestApp : public wxApp {
public:
    bool OnInit() override {
        SetAppDisplayName(kAppTitle);
        SetExitOnFrameDelete(false);
        wxLog::EnableLogging(false);
        useItalianToolkitTexts();
        CallAfter([this] {
            result = RUN_ALL_TESTS();
            ExitMainLoop();
        });
        return true;
    }
    int OnRun() override {
        wxApp::OnRun();
        return result;
    }
    bool OnExceptionInMainLoop() override { return reportExceptionInFlight(); }
    void OnAssertFailure(const wxChar* file, int line, const wxChar* func, const wxChar* cond,
                         const wxChar* msg) override {
        ADD_FAILURE_AT(wxString(file).utf8_str(), line)
            << "wx assert in " << wxString(func).utf8_str() << ": " << wxString(cond).utf8_str() << " "
            << wxString(msg).utf8_str();
    }
    int result = 1;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    wxApp::SetInstance(new GuiTestApp);
    return wxEntry(argc, argv);
}
