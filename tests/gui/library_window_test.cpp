#include <filesystem>
#include <fstream>

#include <wx/dataview.h>
#include <wx/menu.h>

#include "books.h"
#include "harness.h"
#include "platform/fileio.h"
#include "platform/textconv.h"
#include "shell/catalogue.h"
#include "shell/mainform_ui.h"
#include "shell/optionform_ui.h"
#include "shell/program_ui.h"
#include "viewer/showbookform_ui.h"

namespace fs = std::filesystem;
using gui::ExpectMessage;

namespace {

class LibraryWindow : public gui::GuiTest {
protected:
    // Writes a catalogue naming books whose folders exist in the library.
    void writeLibrary(const std::vector<std::tuple<std::u16string, bool, double>>& books) {
        TlibRecordList list;
        for (const auto& [title, newbook, date] : books) {
            auto r = std::make_unique<TlibRecord>();
            r->Title = title;
            r->Author = u"Autore di " + title;
            const fs::path folder = libraryFolder() / (text::utf16ToUtf8(title) + ".epub");
            fixture::writeTree(folder, fixture::epubFiles(fixture::sampleBook(1)));
            r->Folder = text::utf8ToUtf16(folder.string());
            r->Newbook = newbook;
            r->ReadDate = date;
            list.Add(std::move(r));
        }
        fs::create_directories(libraryFolder());
        saveLibraryFile(list, (libraryFolder() / "library.bin").string());
    }

    wxDataViewListCtrl* list() { return windows_->MainForm->ListView1; }
    wxString cell(unsigned row, unsigned column) { return list()->GetTextValue(row, column); }
};

}  // namespace

TEST_F(LibraryWindow, FirstRunShowsAnEmptyListAndLeavesOnlyTheZoomInTheSettings) {
    ProgramWindows& w = startProgram();
    EXPECT_EQ(w.MainForm->GetTitle(), wxS("Ravelund versione 1.07"));
    EXPECT_EQ(list()->GetItemCount(), 0u);
    ASSERT_EQ(list()->GetColumnCount(), 3u);
    EXPECT_EQ(list()->GetColumn(0)->GetTitle(), wxS("Titolo"));
    EXPECT_EQ(list()->GetColumn(1)->GetTitle(), wxS("Autore"));
    EXPECT_EQ(list()->GetColumn(2)->GetTitle(), wxS("Ultima lettura"));
    EXPECT_TRUE(fs::is_directory(libraryFolder()));
    EXPECT_FALSE(fs::exists(settingsFile()));
    EXPECT_EQ(w.MainForm->FolderProg, programFolder().string());

    w.MainForm->Close();
    EXPECT_TRUE(gui::waitFor([&] { return w.MainForm == nullptr; }));
    EXPECT_EQ(fileio::readWholeFile(settingsFile()), "[FOLDER]\nzoom=100\n");
    EXPECT_EQ(fileio::readWholeFile(libraryFolder() / "library.bin"), std::string("L\0V\0F\0\0\0", 8));
}

TEST_F(LibraryWindow, StartUpListsBooksNewestFirstSweepsLeftoversAndFocusesTheList) {
    writeLibrary({{u"Vecchio", false, readDateFromLocal(2013, 3, 5, 9, 7, 0, 0)},
                  {u"Nuovo libro", true, readDateFromLocal(2014, 1, 1, 12, 0, 0, 0)},
                  {u"Citt\u00e0", false, readDateFromLocal(2013, 6, 1, 18, 30, 0, 0)}});
    fs::create_directories(libraryFolder() / "Avanzo.epub" / "OEBPS");
    fs::create_directories(libraryFolder() / "Foto");
    fs::create_directories(home() / "ravelund");
    std::ofstream(settingsFile()) << "[FOLDER]\nzoom=140\ncolor=2\n";

    ProgramWindows& w = startProgram();
    ASSERT_EQ(list()->GetItemCount(), 3u);
    EXPECT_EQ(cell(0, 0), wxS("Nuovo libro"));
    EXPECT_EQ(cell(0, 2), wxS("Nuovo"));
    EXPECT_EQ(cell(1, 0), wxString::FromUTF8("Citt\xC3\xA0"));
    EXPECT_EQ(cell(1, 1), wxString::FromUTF8("Autore di Citt\xC3\xA0"));
    EXPECT_EQ(cell(1, 2), wxS("01/06/2013 18:30"));
    EXPECT_EQ(cell(2, 2), wxS("05/03/2013 09:07"));
    EXPECT_FALSE(fs::exists(libraryFolder() / "Avanzo.epub"));
    EXPECT_TRUE(fs::exists(libraryFolder() / "Foto"));
    EXPECT_TRUE(fs::exists(libraryFolder() / "Vecchio.epub"));
    EXPECT_TRUE(gui::hasFocus(list()));
    EXPECT_EQ(w.OptionForm->zoom(), 140);
    EXPECT_EQ(w.OptionForm->color(), 2);
    EXPECT_EQ(list()->GetBackgroundColour(), wxColour(0xFB, 0xF0, 0xD9));
}

TEST_F(LibraryWindow, ARejectedCatalogueIsReportedAndNoBookFolderIsSwept) {
    fs::create_directories(libraryFolder() / "Libro.epub");
    std::ofstream(libraryFolder() / "library.bin") << "not a catalogue";
    wxTEST_DIALOG(startProgram(),
                  ExpectMessage(wxString::FromUTF8("\"library.bin\" non \xC3\xA8 un file libreria!"), wxS("I/O Error"),
                                wxID_OK, wxICON_ERROR));
    EXPECT_EQ(list()->GetItemCount(), 0u);
    EXPECT_TRUE(fs::exists(libraryFolder() / "Libro.epub"));
}

TEST_F(LibraryWindow, DeletingABookAsksFirstAndNeverTouchesFoldersOutsideTheLibrary) {
    writeLibrary({{u"Primo", false, 41000}, {u"Secondo", false, 40000}});
    ProgramWindows& w = startProgram();
    list()->UnselectAll();
    wxTEST_DIALOG(w.MainForm->deleteBook(),
                  ExpectMessage(wxS("Nessun libro selezionato"), wxS("Attenzione"), wxID_OK, wxICON_WARNING));

    list()->SelectRow(0);
    wxTEST_DIALOG(w.MainForm->deleteBook(),
                  ExpectMessage(wxS("Vuoi cancellare il libro"), wxS("Attenzione"), wxID_CANCEL, wxICON_NONE));
    EXPECT_EQ(list()->GetItemCount(), 2u);
    EXPECT_TRUE(fs::exists(libraryFolder() / "Primo.epub"));

    wxTEST_DIALOG(w.MainForm->deleteBook(), ExpectMessage(wxS("Vuoi cancellare il libro"), wxS("Attenzione")));
    ASSERT_EQ(list()->GetItemCount(), 1u);
    EXPECT_EQ(cell(0, 0), wxS("Secondo"));
    EXPECT_EQ(w.MainForm->selectedRow(), -1);
    EXPECT_FALSE(fs::exists(libraryFolder() / "Primo.epub"));

    // An entry naming a folder outside the library, as only a damaged
    // catalogue could: the entry goes, the folder stays.
    const fs::path outside = home() / "Documenti importanti";
    fs::create_directories(outside);
    w.MainForm->libRecordList.Get(0).Folder = text::utf8ToUtf16(outside.string());
    list()->SelectRow(0);
    wxTEST_DIALOG(w.MainForm->deleteBook(), ExpectMessage(wxS("Vuoi cancellare il libro"), wxS("Attenzione")));
    EXPECT_EQ(list()->GetItemCount(), 0u);
    EXPECT_TRUE(fs::exists(outside));
}

TEST_F(LibraryWindow, EnterOpensTheSelectedBookAndClosingItBringsItToTheTop) {
    writeLibrary({{u"Primo", false, 41000}, {u"Secondo", true, 40000}});
    ProgramWindows& w = startProgram();
    list()->SelectRow(1);
    bool seenOpen = false;
    int opened = 0;
    // The reading window runs its own loop: answer it from inside.
    w.ShowBookForm->Bind(wxEVT_SHOW, [&](wxShowEvent& e) {
        e.Skip();
        if (!e.IsShown()) return;
        ++opened;
        seenOpen = w.ShowBookForm->GetTitle() == wxS("Secondo") && !w.MainForm->IsShown() &&
                   w.ShowBookForm->epubFolder == (libraryFolder() / "Secondo.epub").string();
        w.ShowBookForm->CallAfter([&] {
            gui::waitFor([&] { return w.ShowBookForm->IsShownOnScreen(); });
            gui::pressKey(w.ShowBookForm, WXK_F4, wxMOD_ALT);
        });
    });
    gui::pressKey(list(), WXK_RETURN);
    ASSERT_TRUE(gui::waitFor([&] { return opened == 1 && w.MainForm->IsShown(); }));
    gui::processPending();
    EXPECT_TRUE(seenOpen);
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(w.ShowBookForm->IsShown());
    EXPECT_EQ(cell(0, 0), wxS("Secondo"));
    EXPECT_NE(cell(0, 2), wxS("Nuovo"));
    EXPECT_EQ(w.MainForm->selectedRow(), 0);
    EXPECT_TRUE(gui::hasFocus(list()));

    TlibRecordList saved;
    loadLibraryFile(saved, (libraryFolder() / "library.bin").string());
    ASSERT_EQ(saved.Count(), 2u);
    EXPECT_EQ(saved.Get(1).Title, u"Secondo");  // saved before the list is re-sorted
    EXPECT_FALSE(saved.Get(1).Newbook);
}

TEST_F(LibraryWindow, AFailedSaveIsShownWithAFullStopAndTheBookIsNotOpened) {
    writeLibrary({{u"Primo", false, 41000}});
    ProgramWindows& w = startProgram();
    fs::rename(libraryFolder(), home() / "spostata");
    list()->SelectRow(0);
    const wxString expected = wxString::FromUTF8(
        ("Cannot create file \"" + (libraryFolder() / "library.bin").string() + "\". No such file or directory.").c_str());
    wxTEST_DIALOG(gui::pressKey(list(), WXK_RETURN), ExpectMessage(expected, wxS("raveLund"), wxID_OK, wxICON_ERROR));
    EXPECT_FALSE(w.ShowBookForm->IsShown());
    EXPECT_TRUE(w.MainForm->IsShown());
}

TEST_F(LibraryWindow, WritesThatFailAtExitDoNotKeepTheProgramFromEnding) {
    ProgramWindows& w = startProgram();
    fs::remove_all(home() / "ravelund");
    wxTEST_DIALOG(w.MainForm->Close(),
                  ExpectMessage(wxString::FromUTF8(("Cannot create file \"" + settingsFile().string() +
                                                    "\". No such file or directory.").c_str()),
                                wxS("raveLund")),
                  ExpectMessage(wxString::FromUTF8(("Cannot create file \"" + (libraryFolder() / "library.bin").string() +
                                                    "\". No such file or directory.").c_str()),
                                wxS("raveLund")));
    EXPECT_TRUE(gui::waitFor([&] { return w.MainForm == nullptr; }));
}

TEST_F(LibraryWindow, MenusAreReachableByMnemonicsAndHoldTheirShortcuts) {
    ProgramWindows& w = startProgram();
    wxMenuBar* bar = w.MainForm->GetMenuBar();
    ASSERT_EQ(bar->GetMenuCount(), 2u);
    EXPECT_EQ(bar->GetMenuLabel(0), wxS("&File"));
    EXPECT_EQ(bar->GetMenuLabel(1), wxS("&?"));
    wxMenu* file = bar->GetMenu(0);
    ASSERT_EQ(file->GetMenuItemCount(), 4u);
    const char* labels[] = {"&Aggiungi\tF10", "&Elimina", "&Opzioni", "E&sci\tAlt+F4"};
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(file->FindItemByPosition(i)->GetItemLabel(), wxString(labels[i]));
    EXPECT_EQ(bar->GetMenu(1)->FindItemByPosition(0)->GetItemLabelText(), wxS("Aiuto"));
    EXPECT_EQ(bar->GetMenu(1)->FindItemByPosition(1)->GetItemLabelText(), wxS("Informazioni"));
}
