#include "shell/app_ui.h"

#include "platform/desktop_ui.h"
#include "platform/messages_ui.h"
#include "platform/wxtext.h"
#include "shell/mainform_ui.h"
#include "shell/program_ui.h"

RavelundApp::RavelundApp() = default;
RavelundApp::~RavelundApp() = default;

bool RavelundApp::OnInit() {
    SetAppDisplayName(kAppTitle);
    useItalianToolkitTexts();
    windows_ = std::make_unique<ProgramWindows>(argc > 1 ? toUtf8(argv[1]) : std::string());
    windows_->MainForm->Maximize();
    windows_->MainForm->Show();
    return true;
}

int RavelundApp::OnExit() {
    windows_.reset();
    return wxApp::OnExit();
}

bool RavelundApp::OnExceptionInMainLoop() { return reportExceptionInFlight(); }

void RavelundApp::OnUnhandledException() { reportExceptionInFlight(); }
