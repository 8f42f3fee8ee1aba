#include <filesystem>
#include <fstream>

#include <wx/dataview.h>

#include "books.h"
#include "harness.h"
#include "platform/desktop_ui.h"
#include "platform/textconv.h"
#include "shell/catalogue.h"
#include "shell/mainform_ui.h"
#include "shell/program_ui.h"
#include "viewer/showbookform_ui.h"

namespace fs = std::filesystem;
using gui::ExpectMessage;

namespace {

class AddBook : public gui::GuiTest {
protected:
    void SetUp() override {
        gui::GuiTest::SetUp();
        savedChooser_ = chooseFileToOpen;
        chooseFileToOpen = [this](wxWindow*) { return chosen_; };
        fixture::writeZip(home() / "Libro.epub", fixture::epubFiles(fixture::sampleBook(2)));
    }
    void TearDown() override {
        chooseFileToOpen = savedChooser_;
        gui::GuiTest::TearDown();
    }
    void addThroughMenu(const std::string& file) {
        chosen_ = file;
        windows_->MainForm->addEpubFromDialog();
    }
    wxDataViewListCtrl* list() { return windows_->MainForm->ListView1; }
    size_t savedEntries() {
        TlibRecordList saved;
        loadLibraryFile(saved, (libraryFolder() / "library.bin").string());
        return saved.Count();
    }

    std::string chosen_;
    std::function<std::string(wxWindow*)> savedChooser_;
};

}  // namespace

TEST_F(AddBook, AValidBookBecomesTheFirstRowMarkedNewAndIsSaved) {
    startProgram();
    addThroughMenu((home() / "Libro.epub").string());
    ASSERT_EQ(list()->GetItemCount(), 1u);
    EXPECT_EQ(list()->GetTextValue(0, 0), wxS("Libro di prova"));
    EXPECT_EQ(list()->GetTextValue(0, 1), wxS("Autrice Prova"));
    EXPECT_EQ(list()->GetTextValue(0, 2), wxS("Nuovo"));
    EXPECT_TRUE(fs::is_regular_file(libraryFolder() / "Libro.epub" / "OEBPS" / "content.opf"));
    EXPECT_EQ(windows_->MainForm->epubFolder, (libraryFolder() / "Libro.epub").string());
    EXPECT_EQ(savedEntries(), 1u);
    EXPECT_TRUE(gui::hasFocus(list()));
    EXPECT_EQ(windows_->MainForm->selectedRow(), 0);

    // The same file again: a second row, the same folder.
    addThroughMenu((home() / "Libro.epub").string());
    EXPECT_EQ(list()->GetItemCount(), 2u);
    EXPECT_EQ(savedEntries(), 2u);
    size_t folders = 0;
    for (const auto& e : fs::directory_iterator(libraryFolder())) folders += e.is_directory();
    EXPECT_EQ(folders, 1u);
}

TEST_F(AddBook, CancellingTheDialogChangesNothingAndAnInvalidFileIsRefused) {
    startProgram();
    addThroughMenu("");
    EXPECT_EQ(list()->GetItemCount(), 0u);
    EXPECT_FALSE(fs::exists(libraryFolder() / "library.bin"));

    std::ofstream(home() / "nota.epub") << "non sono un archivio";
    wxTEST_DIALOG(addThroughMenu((home() / "nota.epub").string()),
                  ExpectMessage(wxS("File non valido"), wxS("Attenzione"), wxID_OK, wxICON_NONE));
    EXPECT_EQ(list()->GetItemCount(), 0u);
    EXPECT_TRUE(fs::is_empty(libraryFolder()));
}

TEST_F(AddBook, TheCommandLineFileIsAddedOnceAtStartUp) {
    ProgramWindows& w = startProgram((home() / "Libro.epub").string());
    ASSERT_EQ(list()->GetItemCount(), 1u);
    EXPECT_EQ(list()->GetTextValue(0, 0), wxS("Libro di prova"));

    // Coming back from the reading window repeats nothing of the start-up.
    w.ShowBookForm->Bind(wxEVT_SHOW, [&](wxShowEvent& e) {
        e.Skip();
        if (e.IsShown()) w.ShowBookForm->CallAfter([&] { w.ShowBookForm->Close(); });
    });
    list()->SelectRow(0);
    w.MainForm->openBook(w.MainForm->epubFolder);
    EXPECT_EQ(list()->GetItemCount(), 1u);
    EXPECT_EQ(savedEntries(), 1u);
}

TEST_F(AddBook, ALibraryFolderEndingWithASeparatorKeepsItsBooksAtTheNextStart) {
    fs::create_directories(home() / "ravelund");
    fs::create_directories(home() / "biblioteca");
    std::ofstream(settingsFile()) << "[FOLDER]\nfolderlib=" << (home() / "biblioteca").string() << "/\n";
    startProgram();
    addThroughMenu((home() / "Libro.epub").string());
    ASSERT_EQ(windows_->MainForm->libRecordList.Count(), 1u);
    EXPECT_EQ(windows_->MainForm->libRecordList.Get(0).Folder,
              text::utf8ToUtf16((home() / "biblioteca" / "Libro.epub").string()));
    windows_->MainForm->Close();
    gui::waitFor([&] { return windows_->MainForm == nullptr; });
    destroyProgram();

    startProgram();
    EXPECT_EQ(list()->GetItemCount(), 1u);
    EXPECT_TRUE(fs::exists(home() / "biblioteca" / "Libro.epub" / "OEBPS"));
}
