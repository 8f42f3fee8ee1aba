#include <filesystem>
#include <fstream>

#include <wx/dataview.h>
#include <wx/menu.h>
#include <wx/textctrl.h>
#include <wx/webview.h>

#include "books.h"
#include "harness.h"
#include "readingwindow.h"
#include "platform/fileio.h"
#include "platform/textconv.h"
#include "shell/catalogue.h"
#include "shell/mainform_ui.h"
#include "shell/program_ui.h"
#include "shell/showcommandform_ui.h"
#include "viewer/htmlview_ui.h"
#include "viewer/indextree_ui.h"
#include "viewer/readingposition.h"
#include "viewer/showbookform_ui.h"

namespace fs = std::filesystem;

namespace {

using ReadingWindow = gui::ReadingWindowTest;

fixture::Book longBook() {
    fixture::Book book = fixture::sampleBook(3);
    for (auto& c : book.chapters)
        for (int i = 0; i < 200; ++i) c.body += "<p>Riga " + std::to_string(i) + " di un capitolo lungo.</p>\n";
    return book;
}

}  // namespace

TEST_F(ReadingWindow, FirstOpeningPreparesEveryChapterOnceAndPutsTheFocusInTheDocument) {
    installBook(fixture::sampleBook(2));
    std::string prepared;
    read([&](TShowBookForm& form) {
        EXPECT_TRUE(gui::waitFor([&] { return showsChapter(form, 1); }));
        EXPECT_TRUE(gui::waitFor([&] { return gui::hasFocus(form.EmbeddedWB1->webView()); }));
        EXPECT_EQ(form.GetTitle(), wxS("Libro di prova"));
        EXPECT_FALSE(form.TreeView1->IsShown());
        EXPECT_FALSE(windows_->MainForm->IsShown());
        // The style sheet reaches the document.
        EXPECT_EQ(script(form, "getComputedStyle(document.body).backgroundColor"), "rgb(255, 255, 255)");
    });
    prepared = fileio::readWholeFile(packageFolder() / "Text" / "cap2.xhtml");
    EXPECT_NE(prepared.find("<head><meta charset=\"utf-8\" />\r\n<title>"), std::string::npos);
    EXPECT_NE(prepared.find("ravelund.css\" rel=\"stylesheet\" type=\"text/css\"/></head>"), std::string::npos);
    EXPECT_TRUE(fs::exists(packageFolder() / "charset.ok"));
    EXPECT_TRUE(fs::exists(packageFolder() / "Text" / "ravelund.css"));

    read([&](TShowBookForm& form) { EXPECT_TRUE(gui::waitFor([&] { return showsChapter(form, 2) || showsChapter(form, 1); })); });
    EXPECT_EQ(fileio::readWholeFile(packageFolder() / "Text" / "cap2.xhtml"), prepared);
}

TEST_F(ReadingWindow, TheTreeListsTheEntriesInOrderAndEnterLandsOnTheJumpMarker) {
    fixture::Book book = fixture::sampleBook(3);
    book.chapters[1].level = 2;
    book.chapters.push_back({"Text/cap3.xhtml", "Paragrafo quattro", "", 2, "p4", false});
    installBook(book);
    read([&](TShowBookForm& form) {
        ASSERT_TRUE(gui::waitFor([&] { return showsChapter(form, 1); }));
        gui::pressKey(form.EmbeddedWB1, WXK_F4);
        ASSERT_TRUE(gui::waitFor([&] { return form.TreeView1->IsShown() && gui::hasFocus(form.TreeView1); }));
        EXPECT_FALSE(form.EmbeddedWB1->IsShown());

        auto* model = static_cast<IndexTreeModel*>(form.TreeView1->GetModel());
        std::vector<std::string> rows;
        for (const wxDataViewItem& item : model->allItems()) rows.push_back(model->textOf(item).utf8_string());
        EXPECT_EQ(rows, (std::vector<std::string>{"Libro di prova", "Capitolo 1", "Capitolo 2", "Capitolo 3",
                                                  "Paragrafo quattro"}));
        const wxDataViewItem last = model->allItems().back();
        EXPECT_EQ(model->GetParent(last), model->allItems()[3]);

        form.TreeView1->Select(last);
        gui::pressKey(form.TreeView1, WXK_RETURN);
        ASSERT_TRUE(gui::waitFor([&] { return showsChapter(form, 3) && focusedId(form) == "hitlink"; }));
        EXPECT_FALSE(form.TreeView1->IsShown());
        EXPECT_EQ(form.currentSpine, 2);
        EXPECT_EQ(script(form, "document.getElementById('hitlink').nextElementSibling.id"), "p4");
        EXPECT_TRUE(gui::hasFocus(form.EmbeddedWB1->webView()));

        // Enter on the title node opens the first entry; the old marker goes.
        gui::pressKey(form.EmbeddedWB1, WXK_F4);
        ASSERT_TRUE(gui::waitFor([&] { return gui::hasFocus(form.TreeView1); }));
        form.TreeView1->Select(model->allItems().front());
        gui::pressKey(form.TreeView1, WXK_RETURN);
        ASSERT_TRUE(gui::waitFor([&] { return showsChapter(form, 1); }));
        EXPECT_EQ(script(form, "String(document.querySelectorAll('#hitlink').length)"), "0");
    });
}

TEST_F(ReadingWindow, PreviousAndNextChapterStopAtTheEnds) {
    installBook(fixture::sampleBook(2));
    read([&](TShowBookForm& form) {
        ASSERT_TRUE(gui::waitFor([&] { return showsChapter(form, 1); }));
        gui::pressKey(form.EmbeddedWB1, WXK_F6);
        gui::processPending();
        EXPECT_EQ(form.currentSpine, 0);
        EXPECT_FALSE(form.EmbeddedWB1->Busy());
        gui::pressKey(form.EmbeddedWB1, WXK_F7);
        ASSERT_TRUE(gui::waitFor([&] { return showsChapter(form, 2); }));
        EXPECT_TRUE(gui::waitFor([&] { return gui::hasFocus(form.EmbeddedWB1->webView()); }));
        gui::pressKey(form.EmbeddedWB1, WXK_F7);
        gui::processPending();
        EXPECT_EQ(form.currentSpine, 1);
        EXPECT_TRUE(showsChapter(form, 2));
        gui::pressKey(form.EmbeddedWB1, WXK_F6);
        EXPECT_TRUE(gui::waitFor([&] { return showsChapter(form, 1); }));
    });
}

TEST_F(ReadingWindow, ClosingAndReopeningLandsAtTheSameChapterAndOffset) {
    installBook(longBook());
    int offset = 0;
    read([&](TShowBookForm& form) {
        ASSERT_TRUE(gui::waitFor([&] { return showsChapter(form, 1); }));
        gui::pressKey(form.EmbeddedWB1, WXK_F7);
        gui::pressKey(form.EmbeddedWB1, WXK_F7);
        ASSERT_TRUE(gui::waitFor([&] { return showsChapter(form, 3); }));
        form.EmbeddedWB1->scrollTo(0, 1500);
        ASSERT_TRUE(gui::waitFor([&] { return form.EmbeddedWB1->verticalScrollPosition() == 1500; }));
        offset = form.EmbeddedWB1->verticalScrollPosition();
    });
    const auto saved = readingposition::readReadingPosition(bookFolder().string(), 3);
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->spine, 2);
    EXPECT_EQ(saved->offset, offset);

    read([&](TShowBookForm& form) {
        ASSERT_TRUE(gui::waitFor([&] { return showsChapter(form, 3) && focusedId(form) == "hitlink"; }));
        EXPECT_TRUE(gui::waitFor([&] { return form.EmbeddedWB1->verticalScrollPosition() == offset; }));
        EXPECT_EQ(form.currentSpine, 2);
    });
}

TEST_F(ReadingWindow, AReadingPositionOutsideTheSpineOpensTheFirstEntry) {
    installBook(fixture::sampleBook(2));
    readingposition::writeReadingPosition(bookFolder().string(), {100, 7});
    read([&](TShowBookForm& form) {
        EXPECT_TRUE(gui::waitFor([&] { return showsChapter(form, 1); }));
        EXPECT_EQ(form.currentSpine, 0);
    });
}

TEST_F(ReadingWindow, AnEpub3BookWithOnlyANavigationDocumentOpensOnItsFirstEntry) {
    fixture::Book book = fixture::sampleBook(3);
    book.navigationOnly = true;
    book.chapters[1].level = 2;
    book.chapters.push_back({"Text/cap3.xhtml", "Paragrafo quattro", "", 2, "p4", false});
    book.chapters[0].fragment = "p2";
    installBook(book);
    ASSERT_FALSE(fs::exists(packageFolder() / "toc.ncx"));
    read([&](TShowBookForm& form) {
        ASSERT_TRUE(gui::waitFor([&] { return showsChapter(form, 1); }));
        EXPECT_TRUE(gui::waitFor([&] { return gui::hasFocus(form.EmbeddedWB1->webView()); }));
        auto* model = static_cast<IndexTreeModel*>(form.TreeView1->GetModel());
        std::vector<std::string> rows;
        for (const wxDataViewItem& item : model->allItems()) rows.push_back(model->textOf(item).utf8_string());
        EXPECT_EQ(rows, (std::vector<std::string>{"Libro di prova", "Capitolo 1", "Capitolo 2", "Capitolo 3",
                                                  "Paragrafo quattro"}));
        EXPECT_EQ(model->GetParent(model->allItems()[2]), model->allItems()[1]);
        EXPECT_EQ(model->GetParent(model->allItems()[4]), model->allItems()[3]);
    });
}

TEST_F(ReadingWindow, CommandHelpShowsBookcmdFromTheProgramFolder) {
    installBook(fixture::sampleBook(1));
    std::ofstream(programFolder() / "bookcmd.txt") << "F4 Indice\r\nF5 Libro\r\n";
    read([&](TShowBookForm& form) {
        ASSERT_TRUE(gui::waitFor([&] { return showsChapter(form, 1); }));
        TShowCommandForm* help = windows_->ShowCommandForm;
        bool shown = false;
        help->CallAfter([&] {
            ASSERT_TRUE(gui::waitFor([&] { return help->IsShownOnScreen(); }));
            shown = true;
            EXPECT_EQ(help->Memo1->GetValue(), wxS("F4 Indice\nF5 Libro"));
            EXPECT_TRUE(gui::waitFor([&] { return gui::hasFocus(help->Memo1); }));
            gui::pressKey(help->Memo1, WXK_ESCAPE);
        });
        const int id = form.GetMenuBar()->FindMenuItem(wxS("?"), wxS("Aiuto comandi"));
        ASSERT_NE(id, wxNOT_FOUND);
        wxCommandEvent event(wxEVT_MENU, id);
        form.GetEventHandler()->SafelyProcessEvent(event);
        EXPECT_TRUE(shown);
        EXPECT_FALSE(help->IsShown());
    });
}
