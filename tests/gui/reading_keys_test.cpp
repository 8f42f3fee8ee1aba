#include <map>

#include <wx/menu.h>

#include "readingwindow.h"

namespace {

class ReadingKeys : public gui::ReadingWindowTest {};

}  // namespace

// Keys typed while the document has the focus reach the reading window's
// commands once each, and Ctrl+Shift+F is not taken for Ctrl+F.
TEST_F(ReadingKeys, ShortcutsTypedInTheDocumentRunTheirOwnCommandOnce) {
    installBook(fixture::sampleBook(1));
    read([&](TShowBookForm& form) {
        ASSERT_TRUE(gui::waitFor([&] { return showsChapter(form, 1); }));
        ASSERT_TRUE(gui::waitFor([&] { return gui::hasFocus(form.EmbeddedWB1->webView()); }));
        wxMenuBar* bar = form.GetMenuBar();
        const int inChapter = bar->FindMenuItem(wxS("Cerca"), wxS("Trova nel capitolo"));
        const int inBook = bar->FindMenuItem(wxS("Cerca"), wxS("Trova nel libro"));
        const int toPage = bar->FindMenuItem(wxS("Cerca"), wxS("Vai a pagina"));
        ASSERT_NE(inChapter, wxNOT_FOUND);
        std::map<int, int> runs;
        auto count = [&](wxCommandEvent& e) { ++runs[e.GetId()]; };
        for (const int id : {inChapter, inBook, toPage}) form.Bind(wxEVT_MENU, count, id);

        gui::pressKey(form.EmbeddedWB1, 'F', wxMOD_CONTROL | wxMOD_SHIFT);
        EXPECT_TRUE(gui::waitFor([&] { return runs[inBook] == 1; }));
        EXPECT_EQ(runs[inChapter], 0);
        gui::pressKey(form.EmbeddedWB1, 'F', wxMOD_CONTROL);
        EXPECT_TRUE(gui::waitFor([&] { return runs[inChapter] == 1; }));
        gui::pressKey(form.EmbeddedWB1, 'P', wxMOD_CONTROL);
        EXPECT_TRUE(gui::waitFor([&] { return runs[toPage] == 1; }));
        gui::processPending();
        EXPECT_EQ(runs[inBook], 1);
        EXPECT_EQ(runs[inChapter], 1);
        EXPECT_EQ(runs[toPage], 1);
        for (const int id : {inChapter, inBook, toPage}) form.Unbind(wxEVT_MENU, count, id);
    });
}
