#include <filesystem>
#include <fstream>

#include <wx/button.h>
#include <wx/dataview.h>
#include <wx/menu.h>
#include <wx/radiobut.h>
#include <wx/spinbutt.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

#include "answermessages.h"
#include "harness.h"
#include "platform/fileio.h"
#include "platform/textconv.h"
#include "shell/catalogue.h"
#include "shell/mainform_ui.h"
#include "shell/optionform_ui.h"
#include "shell/program_ui.h"

namespace fs = std::filesystem;
using gui::ExpectMessage;

namespace {

class Options : public gui::GuiTest {
protected:
    void SetUp() override {
        gui::GuiTest::SetUp();
        savedChooser_ = chooseLibraryFolder;
    }
    void TearDown() override {
        chooseLibraryFolder = savedChooser_;
        gui::GuiTest::TearDown();
    }

    void writeLibrary(const fs::path& folder, const std::vector<std::u16string>& titles) {
        TlibRecordList list;
        double date = 41000;
        for (const std::u16string& title : titles) {
            auto r = std::make_unique<TlibRecord>();
            r->Title = title;
            r->Author = u"Autore";
            const fs::path book = folder / (text::utf16ToUtf8(title) + ".epub");
            fs::create_directories(book);
            r->Folder = text::utf8ToUtf16(book.string());
            r->ReadDate = date--;
            list.Add(std::move(r));
        }
        fs::create_directories(folder);
        saveLibraryFile(list, (folder / "library.bin").string());
    }
    void writeSettings(const std::string& content) {
        fs::create_directories(settingsFile().parent_path());
        std::ofstream(settingsFile(), std::ios::binary) << content;
    }

    TOptionForm* form() { return windows_->OptionForm; }
    wxDataViewListCtrl* list() { return windows_->MainForm->ListView1; }

    // Runs "Opzioni" from the menu; act runs inside the dialog's modal loop
    // once the dialog is on screen and must close it.
    void runOptions(std::function<void()> act) {
        bool acted = false;
        form()->CallAfter([this, act, &acted] {
            ASSERT_TRUE(gui::waitFor([this] { return form()->IsShownOnScreen(); }));
            acted = true;
            act();
        });
        wxMenuBar* bar = windows_->MainForm->GetMenuBar();
        const int id = bar->FindMenuItem(wxS("File"), wxS("Opzioni"));
        ASSERT_NE(id, wxNOT_FOUND);
        wxCommandEvent menu(wxEVT_MENU, id);
        // As the event loop does: an error ends the command and is shown.
        windows_->MainForm->GetEventHandler()->SafelyProcessEvent(menu);
        EXPECT_TRUE(acted);
        EXPECT_FALSE(form()->IsShown());
    }
    static void click(wxButton* button) {
        wxCommandEvent event(wxEVT_BUTTON, button->GetId());
        event.SetEventObject(button);
        button->ProcessWindowEvent(event);
    }

private:
    std::function<std::string(wxWindow*, const std::string&)> savedChooser_;
};

}  // namespace

TEST_F(Options, ControlsStandInKeyboardOrderWithTheirCaptions) {
    ProgramWindows& w = startProgram();
    TOptionForm* f = w.OptionForm;
    EXPECT_EQ(f->GetTitle(), wxS("Opzioni"));
    EXPECT_EQ(f->Button1->GetLabel(), wxS("OK"));
    EXPECT_EQ(f->Button2->GetLabel(), wxS("Annulla"));
    EXPECT_EQ(f->Button3->GetLabel(), wxS("Cambia cartella libreria"));
    EXPECT_EQ(f->GroupBox1->GetLabel(), wxS("Colore sfondo"));
    EXPECT_EQ(f->RadioButton1->GetLabel(), wxS("Bianco"));
    EXPECT_EQ(f->RadioButton2->GetLabel(), wxS("Nero"));
    EXPECT_EQ(f->RadioButton3->GetLabel(), wxS("Seppia"));
    EXPECT_FALSE(f->Edit1->IsEditable());
    EXPECT_EQ(f->UpDown1->GetMin(), 50);
    EXPECT_EQ(f->UpDown1->GetMax(), 300);

    // Keyboard order is the order of the dialog's children.
    const wxWindowList& children = f->GetChildren();
    std::vector<wxWindow*> order(children.begin(), children.end());
    auto position = [&](wxWindow* c) { return std::find(order.begin(), order.end(), c) - order.begin(); };
    const std::vector<wxWindow*> expected = {f->Button1, f->Button2, f->Button3, f->Edit1,
                                             f->Edit2,   f->UpDown1, f->GroupBox1};
    for (size_t i = 1; i < expected.size(); ++i) EXPECT_LT(position(expected[i - 1]), position(expected[i])) << i;
    // The labels sit just before their fields.
    auto labelBefore = [&](wxWindow* field) { return order[static_cast<size_t>(position(field)) - 1]->GetLabel(); };
    EXPECT_EQ(labelBefore(f->Edit1), wxS("Cartella libreria"));
    EXPECT_EQ(labelBefore(f->Edit2), wxS("Percentuale zoom font"));
}

TEST_F(Options, OkWithoutChangesRewritesTheKeysAndReloadsTheCatalogue) {
    writeLibrary(libraryFolder(), {u"Primo", u"Secondo"});
    ProgramWindows& w = startProgram();
    ASSERT_EQ(list()->GetItemCount(), 2u);
    list()->SelectRow(0);
    wxTEST_DIALOG(w.MainForm->deleteBook(), ExpectMessage(wxS("Vuoi cancellare il libro"), wxS("Attenzione")));
    ASSERT_EQ(list()->GetItemCount(), 1u);

    runOptions([&] {
        EXPECT_EQ(form()->Edit1->GetValue(), wxString::FromUTF8(libraryFolder().c_str()));
        EXPECT_EQ(form()->Edit2->GetValue(), wxS("100"));
        click(form()->Button1);
    });
    EXPECT_EQ(fileio::readWholeFile(settingsFile()),
              "[FOLDER]\nfolderlib=" + libraryFolder().string() + "\nzoom=100\ncolor=0\n");
    // The deletion was never saved: the book comes back, though its folder is gone.
    ASSERT_EQ(list()->GetItemCount(), 2u);
    EXPECT_EQ(list()->GetTextValue(0, 0), wxS("Primo"));
    EXPECT_FALSE(fs::exists(libraryFolder() / "Primo.epub"));
    // Reading goes on in the list, on a row that Enter opens.
    EXPECT_TRUE(gui::waitFor([&] { return gui::hasFocus(list()) && w.MainForm->selectedRow() >= 0; }));
}

TEST_F(Options, AnEmptyFolderGivesAnEmptyListAndTheOldFolderBringsItsBooksBack) {
    writeLibrary(libraryFolder(), {u"Primo", u"Secondo"});
    const fs::path empty = home() / "Vuota";
    fs::create_directories(empty);
    std::string offered;
    std::string answer = empty.string();
    chooseLibraryFolder = [&](wxWindow*, const std::string& initial) {
        offered = initial;
        return answer;
    };
    ProgramWindows& w = startProgram();

    runOptions([&] {
        click(form()->Button3);
        EXPECT_EQ(form()->Edit1->GetValue(), wxString::FromUTF8(empty.c_str()));
        click(form()->Button1);
    });
    // The browser starts in the folder that holds the library.
    EXPECT_EQ(offered, (home() / "ravelund").string() + "/");
    EXPECT_EQ(w.MainForm->FolderProgData, empty.string());
    EXPECT_EQ(list()->GetItemCount(), 0u);
    EXPECT_EQ(fs::directory_iterator(empty), fs::directory_iterator());  // nothing moved or created
    EXPECT_TRUE(fs::exists(libraryFolder() / "library.bin"));

    answer = libraryFolder().string();
    runOptions([&] {
        click(form()->Button3);
        click(form()->Button1);
    });
    EXPECT_EQ(offered, home().string() + "/");
    EXPECT_EQ(w.MainForm->FolderProgData, libraryFolder().string());
    ASSERT_EQ(list()->GetItemCount(), 2u);
    EXPECT_EQ(list()->GetTextValue(1, 0), wxS("Secondo"));
    EXPECT_NE(fileio::readWholeFile(settingsFile()).find("folderlib=" + libraryFolder().string() + "\n"),
              std::string::npos);
}

TEST_F(Options, ACancelledFolderBrowserKeepsTheField) {
    chooseLibraryFolder = [](wxWindow*, const std::string&) { return std::string(); };
    ProgramWindows& w = startProgram();
    runOptions([&] {
        click(form()->Button3);
        EXPECT_EQ(form()->Edit1->GetValue(), wxString::FromUTF8(libraryFolder().c_str()));
        click(form()->Button1);
    });
    EXPECT_EQ(w.MainForm->FolderProgData, libraryFolder().string());
}

TEST_F(Options, TheZoomFieldTakesDigitsOnlyAndBackspaceRemovesOneCharacter) {
    startProgram();
    runOptions([&] {
        wxTextCtrl* zoom = form()->Edit2;
        zoom->SetFocus();
        ASSERT_TRUE(gui::waitFor([&] { return gui::hasFocus(zoom); }));
        zoom->SetInsertionPointEnd();
        for (int key : {'A', 'z', ' ', '-', ','}) gui::pressKey(zoom, key);
        EXPECT_EQ(zoom->GetValue(), wxS("100"));
        gui::pressKey(zoom, '5');
        EXPECT_EQ(zoom->GetValue(), wxS("1005"));
        gui::pressKey(zoom, WXK_BACK);
        EXPECT_EQ(zoom->GetValue(), wxS("100"));
        gui::pressKey(zoom, WXK_BACK);
        EXPECT_EQ(zoom->GetValue(), wxS("10"));
        zoom->SetInsertionPoint(1);
        gui::pressKey(zoom, WXK_BACK);
        EXPECT_EQ(zoom->GetValue(), wxS("0"));
        // Up and Down step within 50 to 300.
        zoom->ChangeValue(wxS("120"));
        gui::pressKey(zoom, WXK_UP);
        gui::pressKey(zoom, WXK_UP);
        EXPECT_EQ(zoom->GetValue(), wxS("122"));
        gui::pressKey(zoom, WXK_DOWN);
        EXPECT_EQ(zoom->GetValue(), wxS("121"));
        zoom->ChangeValue(wxS("300"));
        gui::pressKey(zoom, WXK_UP);
        EXPECT_EQ(zoom->GetValue(), wxS("300"));
        click(form()->Button2);
    });
}

TEST_F(Options, TheZoomIsHeldWithin50And300WhenTheDialogCloses) {
    startProgram();
    for (const auto& [typed, expected] : {std::pair{"40", 50}, {"350", 300}, {"99999999999", 300}, {"75", 75}}) {
        runOptions([&] {
            form()->Edit2->ChangeValue(typed);
            click(form()->Button1);
        });
        EXPECT_EQ(form()->zoom(), expected) << typed;
        EXPECT_EQ(form()->Edit2->GetValue(), wxString::Format(wxS("%d"), expected)) << typed;
        EXPECT_EQ(form()->UpDown1->GetValue(), expected) << typed;
        EXPECT_NE(fileio::readWholeFile(settingsFile()).find("zoom=" + std::to_string(expected) + "\n"),
                  std::string::npos)
            << typed;
    }
}

TEST_F(Options, CancelRestoresZoomAndColourFromTheSettingsFile) {
    writeSettings("[FOLDER]\nzoom=120\ncolor=2\n");
    ProgramWindows& w = startProgram();
    const std::string before = fileio::readWholeFile(settingsFile());
    // A zoom changed since the last write (as the font size commands do) is
    // replaced by the stored one before the dialog shows.
    form()->setZoom(200);
    runOptions([&] {
        EXPECT_EQ(form()->Edit2->GetValue(), wxS("120"));
        form()->RadioButton2->SetValue(true);
        form()->Edit2->ChangeValue(wxS("250"));
        click(form()->Button2);
    });
    EXPECT_EQ(form()->color(), 2);
    EXPECT_EQ(form()->zoom(), 120);
    EXPECT_EQ(fileio::readWholeFile(settingsFile()), before);
    EXPECT_EQ(list()->GetBackgroundColour(), wxColour(0xFB, 0xF0, 0xD9));

    // Esc cancels as well; a stored colour out of range is white.
    writeSettings("[FOLDER]\nzoom=90\ncolor=9\n");
    runOptions([&] {
        form()->RadioButton3->SetValue(true);
        gui::pressKey(form()->Edit2, WXK_ESCAPE);
    });
    EXPECT_EQ(form()->color(), 0);
    EXPECT_EQ(form()->zoom(), 90);
    EXPECT_EQ(w.MainForm->FolderProgData, libraryFolder().string());

    // So does Alt+F4.
    runOptions([&] {
        form()->RadioButton2->SetValue(true);
        gui::pressKey(form()->Edit2, WXK_F4, wxMOD_ALT);
    });
    EXPECT_EQ(form()->color(), 0);
}

TEST_F(Options, OkWritesTheChosenColourAndRecoloursTheList) {
    startProgram();
    runOptions([&] {
        form()->RadioButton2->SetValue(true);
        form()->Edit2->ChangeValue(wxS("180"));
        click(form()->Button1);
    });
    EXPECT_EQ(fileio::readWholeFile(settingsFile()),
              "[FOLDER]\nfolderlib=" + libraryFolder().string() + "\nzoom=180\ncolor=1\n");
    EXPECT_EQ(list()->GetBackgroundColour(), *wxBLACK);
    EXPECT_EQ(list()->GetForegroundColour(), *wxWHITE);
}

TEST_F(Options, ASettingsFileThatCannotBeWrittenIsReportedAndTheLibraryIsNotReloaded) {
    writeLibrary(libraryFolder(), {u"Primo", u"Secondo"});
    ProgramWindows& w = startProgram();
    list()->SelectRow(0);
    wxTEST_DIALOG(w.MainForm->deleteBook(), ExpectMessage(wxS("Vuoi cancellare il libro"), wxS("Attenzione")));
    fs::create_directories(settingsFile());  // a folder where the file should be
    gui::AnswerMessages messages;
    runOptions([&] { click(form()->Button1); });
    ASSERT_EQ(messages.seen.size(), 1u);
    EXPECT_EQ(messages.seen[0].text, wxString::FromUTF8(("Cannot create file \"" + settingsFile().string() +
                                                         "\". Is a directory.").c_str()));
    EXPECT_EQ(messages.seen[0].caption, wxS("raveLund"));
    EXPECT_EQ(messages.seen[0].icon, wxICON_ERROR);
    EXPECT_EQ(list()->GetItemCount(), 1u);
}
