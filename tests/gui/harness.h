// GUI test harness: the tests run inside the wx event loop under Xvfb, each
// with its own temporary HOME, so the documents folder, the settings file and
// the library are the test's own.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <wx/msgdlg.h>
#include <wx/testing.h>

struct ProgramWindows;
class wxWindow;

namespace gui {

// Dispatches events until cond() holds or the timeout passes; returns cond().
bool waitFor(const std::function<bool()>& cond, std::chrono::milliseconds timeout = std::chrono::seconds(10));
// Dispatches the events already queued (a bounded wait for nothing in particular).
void processPending();

// Whether w (or the native widget inside it) is its window's focus widget.
bool hasFocus(wxWindow* w);

// Real key presses through the X server, sent to the window under test.
void pressKey(wxWindow* target, int keyCode, int modifiers = 0);

// Base of every GUI test: a fresh HOME (documents folder) and a fresh
// program folder as the current directory.
class GuiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the program's eleven windows as the program does; the library
    // window is shown unless show is false.
    ProgramWindows& startProgram(const std::string& commandLineFile = {}, bool show = true);
    // Destroys the windows without the shutdown steps.
    void destroyProgram();

    std::filesystem::path home() const { return home_; }
    std::filesystem::path programFolder() const { return programFolder_; }
    std::filesystem::path libraryFolder() const { return home_ / "ravelund" / "epub"; }
    std::filesystem::path settingsFile() const { return home_ / "ravelund" / "ravelund.ini"; }

    std::unique_ptr<ProgramWindows> windows_;

private:
    std::filesystem::path root_, home_, programFolder_;
    std::string savedHome_, savedCwd_;
};

// Expects a message box with exactly this text and caption, and answers it.
class ExpectMessage : public wxExpectModalBase<wxMessageDialog, ExpectMessage> {
public:
    ExpectMessage(const wxString& text, const wxString& caption, int answer = wxID_OK, long icon = -1)
        : text_(text), caption_(caption), answer_(answer), icon_(icon) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override;

private:
    wxString text_, caption_;
    int answer_;
    long icon_;
};

}  // namespace gui
