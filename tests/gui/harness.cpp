#include "harness.h"

#include <cstdlib>
#include <fstream>

#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/filefn.h>
#include <wx/log.h>
#include <wx/uiaction.h>
#include <wx/window.h>

#include "platform/desktop_ui.h"
#include "platform/messages_ui.h"
#include "shell/mainform_ui.h"
#include "shell/program_ui.h"

namespace gui {

bool waitFor(const std::function<bool()>& cond, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline) return cond();
        loop->DispatchTimeout(20);
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
    return true;
}

void processPending() {
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    for (int i = 0; i < 20 && loop->Pending(); ++i) loop->Dispatch();
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
}

bool hasFocus(wxWindow* w) {
    GtkWidget* widget = w->GetHandle();
    GtkWidget* top = widget ? gtk_widget_get_toplevel(widget) : nullptr;
    if (!top || !GTK_IS_WINDOW(top)) return false;
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(top));
    return focus && (focus == widget || gtk_widget_is_ancestor(focus, widget));
}

void pressKey(wxWindow* target, int keyCode, int modifiers) {
    // Without a window manager the keyboard follows the pointer.
    wxUIActionSimulator sim;
    const wxRect r = target->GetScreenRect();
    sim.MouseMove(r.GetLeft() + r.GetWidth() / 2, r.GetTop() + r.GetHeight() / 2);
    processPending();
    sim.Char(keyCode, modifiers);
    processPending();
}

void GuiTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ravelund-gui-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    home_ = root_ / "home";
    programFolder_ = root_ / "program";
    std::filesystem::create_directories(home_);
    std::filesystem::create_directories(programFolder_);
    if (const char* h = std::getenv("HOME")) savedHome_ = h;
    savedCwd_ = std::filesystem::current_path().string();
    ::setenv("HOME", home_.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    std::filesystem::current_path(programFolder_);
}

void GuiTest::TearDown() {
    destroyProgram();
    std::filesystem::current_path(savedCwd_);
    ::setenv("HOME", savedHome_.c_str(), 1);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

ProgramWindows& GuiTest::startProgram(const std::string& commandLineFile, bool show) {
    windows_ = std::make_unique<ProgramWindows>(commandLineFile);
    if (show) {
        windows_->MainForm->Show();
        // Mapping the window is asynchronous; a test that hides it at once
        // would see the late map show it again.
        waitFor([this] { return windows_->MainForm->IsShownOnScreen(); });
        processPending();
    }
    return *windows_;
}

void GuiTest::destroyProgram() {
    if (!windows_) return;
    windows_.reset();
    waitFor([] { return wxTopLevelWindows.empty(); }, std::chrono::seconds(5));
}

int ExpectMessage::OnInvoked(wxMessageDialog* dialog) const {
    EXPECT_EQ(dialog->GetMessage(), text_);
    EXPECT_EQ(dialog->GetCaption(), caption_);
    if (icon_ >= 0) {
        EXPECT_EQ(dialog->GetMessageDialogStyle() & wxICON_MASK, icon_);
    }
    return answer_;
}

}  // namespace gui
