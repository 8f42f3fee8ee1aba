// Base of the tests that read a book: installs a book in the library and
// runs a test body inside the reading window's modal loop.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <wx/dataview.h>
#include <wx/webview.h>

#include "books.h"
#include "harness.h"
#include "platform/textconv.h"
#include "shell/catalogue.h"
#include "shell/mainform_ui.h"
#include "shell/program_ui.h"
#include "viewer/htmlview_ui.h"
#include "viewer/showbookform_ui.h"

namespace gui {

class ReadingWindowTest : public GuiTest {
protected:
    std::filesystem::path bookFolder() const { return libraryFolder() / "Libro.epub"; }
    std::filesystem::path packageFolder() const { return bookFolder() / "OEBPS"; }

    void installBook(const fixture::Book& book) {
        fixture::writeTree(bookFolder(), fixture::epubFiles(book));
        TlibRecordList list;
        auto r = std::make_unique<TlibRecord>();
        r->Title = text::utf8ToUtf16(book.title);
        r->Folder = text::utf8ToUtf16(bookFolder().string());
        list.Add(std::move(r));
        saveLibraryFile(list, (libraryFolder() / "library.bin").string());
    }

    // Opens the book from the library and runs body inside the reading
    // window's modal loop, then leaves the book as the user would.
    void read(const std::function<void(TShowBookForm&)>& body) {
        if (!windows_) startProgram();
        TShowBookForm& form = *windows_->ShowBookForm;
        bool done = false;
        auto onShow = [&](wxShowEvent& e) {
            e.Skip();
            if (!e.IsShown()) return;
            form.CallAfter([&] {
                body(form);
                if (form.IsShown()) form.Close();
                done = true;
            });
        };
        form.Bind(wxEVT_SHOW, onShow);
        windows_->MainForm->ListView1->SelectRow(0);
        windows_->MainForm->openBook(bookFolder().string());
        form.Unbind(wxEVT_SHOW, onShow);
        EXPECT_TRUE(done);
    }

    static std::string script(TShowBookForm& form, const std::string& js) {
        return form.EmbeddedWB1->runScript(js).value_or("");
    }
    static std::string heading(TShowBookForm& form) {
        return script(form, "var h=document.getElementById('inizio'); h ? h.textContent : ''");
    }
    static std::string focusedId(TShowBookForm& form) {
        return script(form, "document.activeElement ? document.activeElement.id : ''");
    }
    static bool showsChapter(TShowBookForm& form, int n) {
        return !form.EmbeddedWB1->Busy() && heading(form) == "Capitolo " + std::to_string(n);
    }
};

}  // namespace gui
