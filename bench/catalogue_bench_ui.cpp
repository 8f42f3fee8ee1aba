// Loads and saves a catalogue of 10,000 books, then starts the program's
// windows on it and measures how long until the library list shows them.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <wx/app.h>
#include <wx/dataview.h>
#include <wx/evtloop.h>

#include "platform/desktop_ui.h"
#include "shell/catalogue.h"
#include "shell/mainform_ui.h"
#include "shell/program_ui.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBooks = 10000;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class BenchApp : public wxApp {
public:
    bool OnInit() override {
        SetExitOnFrameDelete(false);
        CallAfter([this] { run(); });
        return true;
    }

private:
    void run() {
        std::string pattern = (fs::temp_directory_path() / "ravelund-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::exit(1);
        const fs::path home = pattern;
        ::setenv("HOME", home.c_str(), 1);
        const fs::path library = home / "ravelund" / "epub";
        fs::create_directories(library);
        const std::string file = (library / "library.bin").string();

        TlibRecordList list;
        for (int i = 0; i < kBooks; ++i) {
            auto r = std::make_unique<TlibRecord>();
            r->Title = u"Titolo del libro numero " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26));
            r->Author = u"Autore di prova";
            r->Folder = u"/libreria/libro" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) + u".epub";
            r->Newbook = i % 2;
            r->ReadDate = 41000.0 + i * 0.37;
            list.Add(std::move(r));
        }
        auto start = Clock::now();
        saveLibraryFile(list, file);
        std::printf("save %d entries: %.1f ms (%ju bytes)\n", kBooks, msSince(start),
                    static_cast<uintmax_t>(fs::file_size(file)));
        TlibRecordList loaded;
        start = Clock::now();
        loadLibraryFile(loaded, file);
        std::printf("load %zu entries: %.1f ms (goal: under 50 ms)\n", loaded.Count(), msSince(start));

        start = Clock::now();
        {
            ProgramWindows windows("");
            windows.MainForm->Show();
            while (windows.MainForm->ListView1->GetItemCount() < kBooks ||
                   !windows.MainForm->IsShownOnScreen())
                wxEventLoopBase::GetActive()->DispatchTimeout(10);
            std::printf("start-up until the list shows %d books: %.1f ms (goal: within 1000 ms)\n",
                        windows.MainForm->ListView1->GetItemCount(), msSince(start));
        }
        fs::remove_all(home);
        ExitMainLoop();
    }
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(BenchApp);

int main(int argc, char** argv) { return wxEntry(argc, argv); }
