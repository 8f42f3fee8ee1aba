// Time from opening a book in the library to the first chapter's completion,
// for a generated book of 500 chapters: the first opening (which prepares
// every chapter) and a second one.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <wx/app.h>
#include <wx/dataview.h>
#include <wx/evtloop.h>

#include "books.h"
#include "platform/textconv.h"
#include "shell/catalogue.h"
#include "shell/mainform_ui.h"
#include "shell/program_ui.h"
#include "viewer/htmlview_ui.h"
#include "viewer/showbookform_ui.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kChapters = 500;

class BenchApp : public wxApp {
public:
    bool OnInit() override {
        SetExitOnFrameDelete(false);
        CallAfter([this] { run(); });
        return true;
    }

private:
    // Opens the book and returns the milliseconds until the reading window's
    // first chapter has loaded.
    double openOnce(ProgramWindows& windows, const std::string& folder) {
        TShowBookForm& form = *windows.ShowBookForm;
        double elapsed = -1;
        const auto start = Clock::now();
        auto onShow = [&](wxShowEvent& e) {
            e.Skip();
            if (!e.IsShown()) return;
            form.CallAfter([&] {
                while (form.EmbeddedWB1->Busy() || !form.book)
                    wxEventLoopBase::GetActive()->DispatchTimeout(1);
                elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                form.Close();
            });
        };
        form.Bind(wxEVT_SHOW, onShow);
        windows.MainForm->ListView1->SelectRow(0);
        windows.MainForm->openBook(folder);
        form.Unbind(wxEVT_SHOW, onShow);
        return elapsed;
    }

    void run() {
        std::string pattern = (fs::temp_directory_path() / "ravelund-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::exit(1);
        const fs::path home = pattern;
        ::setenv("HOME", home.c_str(), 1);
        const fs::path library = home / "ravelund" / "epub";
        const fs::path folder = library / "Grande.epub";
        fixture::Book book = fixture::sampleBook(kChapters);
        for (auto& chapter : book.chapters)
            for (int i = 0; i < 40; ++i) chapter.body += "<p>Testo di riempimento del capitolo, riga " + std::to_string(i) + ".</p>\n";
        fixture::writeTree(folder, fixture::epubFiles(book));
        TlibRecordList list;
        auto record = std::make_unique<TlibRecord>();
        record->Title = u"Grande";
        record->Folder = text::utf8ToUtf16(folder.string());
        list.Add(std::move(record));
        saveLibraryFile(list, (library / "library.bin").string());

        {
            ProgramWindows windows("");
            windows.MainForm->Show();
            while (!windows.MainForm->IsShownOnScreen()) wxEventLoopBase::GetActive()->DispatchTimeout(10);
            std::printf("first opening of %d chapters (with preparation): %.0f ms (goal: under 1500 ms)\n", kChapters,
                        openOnce(windows, folder.string()));
            std::printf("second opening: %.0f ms (goal: under 500 ms)\n", openOnce(windows, folder.string()));
        }
        fs::remove_all(home);
        ExitMainLoop();
    }
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(BenchApp);

int main(int argc, char** argv) { return wxEntry(argc, argv); }
