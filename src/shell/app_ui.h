#pragma once

#include <memory>

#include <wx/app.h>

struct ProgramWindows;

class RavelundApp : public wxApp {
public:
    RavelundApp();
    ~RavelundApp() override;
    bool OnInit() override;
    int OnExit() override;
    bool OnExceptionInMainLoop() override;
    void OnUnhandledException() override;

private:
    std::unique_ptr<ProgramWindows> windows_;
};
