#include <filesystem>
#include <fstream>

#include <wx/button.h>
#include <wx/display.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/stdpaths.h>
#include <wx/textctrl.h>

#include "answermessages.h"
#include "harness.h"
#include "platform/fileio.h"
#include "shell/helptext.h"
#include "shell/infoform_ui.h"
#include "shell/mainform_ui.h"
#include "shell/program_ui.h"
#include "shell/showcommandform_ui.h"

namespace fs = std::filesystem;

namespace {

class HelpWindows : public gui::GuiTest {
protected:
    void writeProgramFile(const std::string& name, const std::string& bytes) {
        std::ofstream(programFolder() / name, std::ios::binary) << bytes;
    }
    void writeSettings(const std::string& content) {
        fs::create_directories(settingsFile().parent_path());
        std::ofstream(settingsFile(), std::ios::binary) << content;
    }

    // Runs a menu command of the library window; act runs inside the modal
    // loop of the dialog it opens, once the dialog is on screen, and must
    // close it.
    void runMenu(const wxString& menu, const wxString& item, wxDialog* dialog, std::function<void()> act) {
        bool acted = false;
        dialog->CallAfter([dialog, act, &acted] {
            ASSERT_TRUE(gui::waitFor([dialog] { return dialog->IsShownOnScreen(); }));
            acted = true;
            act();
        });
        const int id = windows_->MainForm->GetMenuBar()->FindMenuItem(menu, item);
        ASSERT_NE(id, wxNOT_FOUND);
        wxCommandEvent event(wxEVT_MENU, id);
        windows_->MainForm->GetEventHandler()->SafelyProcessEvent(event);
        EXPECT_TRUE(acted);
        EXPECT_FALSE(dialog->IsShown());
    }
    TShowCommandForm* help() { return windows_->ShowCommandForm; }
};

// The help texts shipped beside the program binary.
std::string shippedHelp(const std::string& name) {
    const fs::path bin = fs::path(wxStandardPaths::Get().GetExecutablePath().utf8_string()).parent_path();
    return decodeHelpText(fileio::readWholeFile(bin / name));
}

}  // namespace

TEST_F(HelpWindows, AiutoShowsTheCurrentLibcmdInTheSchemeColoursWithTheFocusOnTheText) {
    writeSettings("[FOLDER]\ncolor=1\n");
    writeProgramFile("libcmd.txt", "Comandi\r\nF10 Aggiungi\r\n");
    startProgram();
    runMenu(wxS("?"), wxS("Aiuto"), help(), [&] {
        EXPECT_EQ(help()->GetTitle(), wxS("Aiuto"));
        EXPECT_EQ(help()->GetSize(), wxDisplay(help()).GetClientArea().GetSize());
        EXPECT_EQ(help()->Memo1->GetFont().GetFaceName(), wxS("Verdana"));
        EXPECT_EQ(help()->fileload, (programFolder() / "libcmd.txt").string());
        EXPECT_EQ(help()->Memo1->GetValue(), wxS("Comandi\nF10 Aggiungi"));
        EXPECT_EQ(help()->Memo1->GetBackgroundColour(), *wxBLACK);
        EXPECT_EQ(help()->Memo1->GetForegroundColour(), *wxWHITE);
        EXPECT_FALSE(help()->Memo1->IsEditable());
        EXPECT_EQ(help()->Memo1->GetInsertionPoint(), 0);
        EXPECT_TRUE(gui::waitFor([&] { return gui::hasFocus(help()->Memo1); }));
        gui::pressKey(help()->Memo1, WXK_ESCAPE);
    });

    // Every showing reads the file anew, in its own encoding.
    writeProgramFile("libcmd.txt", std::string("\xFF\xFE" "C\0i\0t\0t\0\xE0\0\n\0", 14));
    runMenu(wxS("?"), wxS("Aiuto"), help(), [&] {
        EXPECT_EQ(help()->Memo1->GetValue(), wxString::FromUTF8("Citt\xC3\xA0"));
        gui::pressKey(help()->Memo1, WXK_ESCAPE);
    });
}

TEST_F(HelpWindows, AMissingFileIsReportedAndTheWindowOpensWithItsOldText) {
    writeProgramFile("bookcmd.txt", "Leggi\n");
    startProgram();
    bool shown = false;
    help()->CallAfter([&] {
        ASSERT_TRUE(gui::waitFor([&] { return help()->IsShownOnScreen(); }));
        help()->EndModal(wxID_OK);
    });
    help()->showHelpFile((programFolder() / "bookcmd.txt").string());

    const std::string missing = (programFolder() / "manca.txt").string();
    gui::AnswerMessages messages;
    help()->CallAfter([&] {
        ASSERT_TRUE(gui::waitFor([&] { return help()->IsShownOnScreen(); }));
        shown = true;
        EXPECT_EQ(help()->Memo1->GetValue(), wxS("Leggi"));
        EXPECT_TRUE(gui::waitFor([&] { return gui::hasFocus(help()->Memo1); }));
        gui::pressKey(help()->Memo1, WXK_ESCAPE);
    });
    help()->showHelpFile(missing);
    EXPECT_TRUE(shown);
    ASSERT_EQ(messages.seen.size(), 1u);
    EXPECT_EQ(messages.seen[0].text,
              wxString::FromUTF8(("Cannot open file \"" + missing + "\". No such file or directory.").c_str()));
    EXPECT_EQ(messages.seen[0].caption, wxS("raveLund"));
    EXPECT_EQ(messages.seen[0].icon, wxICON_ERROR);
}

TEST_F(HelpWindows, TheAboutBoxShowsCreditsAndVersionAndClosesWithEscEnterAndChiudi) {
    ProgramWindows& w = startProgram();
    TInformazioniForm* about = w.InformazioniForm;
    EXPECT_EQ(about->GetTitle(), wxS("Informazioni"));
    std::vector<wxString> texts;
    for (wxWindow* child : about->GetChildren())
        if (auto* text = dynamic_cast<wxStaticText*>(child)) texts.push_back(text->GetLabel());
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[2], wxS("Versione 1.0"));
    EXPECT_EQ(about->Button1->GetLabel(), wxS("Chiudi"));

    runMenu(wxS("?"), wxS("Informazioni"), about, [&] { gui::pressKey(about->Button1, WXK_ESCAPE); });

    for (const auto& [key, expected] : {std::pair{int(WXK_ESCAPE), int(wxID_CANCEL)}, {int(WXK_RETURN), int(wxID_OK)}}) {
        about->CallAfter([&, key = key] {
            ASSERT_TRUE(gui::waitFor([&] { return about->IsShownOnScreen(); }));
            gui::pressKey(about->Button1, key);
        });
        EXPECT_EQ(about->ShowModal(), expected);
    }
    about->CallAfter([&] {
        ASSERT_TRUE(gui::waitFor([&] { return about->IsShownOnScreen(); }));
        wxCommandEvent click(wxEVT_BUTTON, wxID_OK);
        click.SetEventObject(about->Button1);
        about->Button1->ProcessWindowEvent(click);
    });
    EXPECT_EQ(about->ShowModal(), wxID_OK);
}

TEST(ShippedHelpTexts, ListEveryMenuCommandWithItsShortcut) {
    const std::string lib = shippedHelp("libcmd.txt");
    for (const char* line : {"Aggiungi, tasto F10", "Elimina:", "Opzioni:", "Esci, tasti Alt più F4", "Aiuto:",
                             "Informazioni:", "Invio:", "Canc:"})
        EXPECT_NE(lib.find(line), std::string::npos) << line;
    const std::string book = shippedHelp("bookcmd.txt");
    for (const char* line :
         {"Indice, tasto F4", "Libro, tasto F5", "Capitolo precedente, tasto F6", "Capitolo successivo, tasto F7",
          "Informazioni libro, tasto F10", "Diminuisci font, tasto F11", "Aumenta font, tasto F12",
          "Torna alla libreria, tasti Alt più F4", "Trova nel capitolo, tasti Control più F",
          "Cerca ancora, tasti Control più G", "Cancella ricerca, tasti Control più E",
          "Trova nel libro, tasti Control più Maiuscole più F", "Vai a pagina, tasti Control più P",
          "Apri segnalibri, tasti Maiuscole più F9", "Aggiungi segnalibro, tasto F9", "Aiuto comandi:"})
        EXPECT_NE(book.find(line), std::string::npos) << line;
}
