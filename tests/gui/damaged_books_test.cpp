// Damaged books in the windows: the reader gets a clear message or what can
// be read, never a crash, and the files written before stay whole.
#include <filesystem>
#include <fstream>

#include "answermessages.h"
#include "books.h"
#include "harness.h"
#include "platform/desktop_ui.h"
#include "platform/fileio.h"
#include "readingwindow.h"
#include "tmpfs.h"
#include "viewer/readingposition.h"

namespace fs = std::filesystem;

namespace {

class Damaged : public gui::ReadingWindowTest {
protected:
    void SetUp() override {
        gui::ReadingWindowTest::SetUp();
        savedChooser_ = chooseFileToOpen;
    }
    void TearDown() override {
        chooseFileToOpen = savedChooser_;
        gui::ReadingWindowTest::TearDown();
    }
    std::vector<std::string> libraryContent() {
        std::vector<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(libraryFolder()))
            names.push_back(fs::relative(e.path(), libraryFolder()).string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::function<std::string(wxWindow*)> savedChooser_;
};

}  // namespace

TEST_F(Damaged, ATruncatedArchiveIsRefusedAndTheLibraryStaysAsItWas) {
    installBook(fixture::sampleBook(1));
    const std::vector<std::string> before = libraryContent();
    const std::string catalogue = fileio::readWholeFile(libraryFolder() / "library.bin");

    fixture::writeZip(home() / "intero.epub", fixture::epubFiles(fixture::sampleBook(3)));
    const std::string whole = fileio::readWholeFile(home() / "intero.epub");
    const fs::path cut = home() / "Rotto.epub";
    std::ofstream(cut, std::ios::binary) << whole.substr(0, whole.size() - 30);
    chooseFileToOpen = [&](wxWindow*) { return cut.string(); };

    startProgram();
    wxTEST_DIALOG(windows_->MainForm->addEpubFromDialog(),
                  gui::ExpectMessage(wxS("File non valido"), wxS("Attenzione"), wxID_OK, wxICON_NONE));
    EXPECT_EQ(windows_->MainForm->ListView1->GetItemCount(), 1u);
    EXPECT_EQ(fileio::readWholeFile(libraryFolder() / "library.bin"), catalogue);

    // What a failed extraction may leave goes at the next start.
    destroyProgram();
    startProgram();
    EXPECT_EQ(windows_->MainForm->ListView1->GetItemCount(), 1u);
    EXPECT_EQ(libraryContent(), before);
}

TEST_F(Damaged, AMissingChapterIsNamedAndTheBookIsReadAllTheSame) {
    for (const int missing : {1, 2}) {
        SCOPED_TRACE("missing chapter " + std::to_string(missing));
        fs::remove_all(libraryFolder());
        installBook(fixture::sampleBook(3));
        const std::string name = "cap" + std::to_string(missing) + ".xhtml";
        fs::remove(packageFolder() / "Text" / name);

        gui::AnswerMessages messages;
        std::vector<bool> shown;
        bool focusInDocument = false;
        read([&](TShowBookForm& form) {
            // Every entry shows its chapter, or a page that names the
            // missing one, and the reader stays in the document.
            const auto shows = [&](int n) {
                return n == missing ? !form.EmbeddedWB1->Busy() &&
                                          script(form, "document.body.textContent") ==
                                              "Questo capitolo non si trova nel libro: " + name
                                    : showsChapter(form, n);
            };
            shown.push_back(gui::waitFor([&] { return shows(1); }));
            focusInDocument = gui::waitFor([&] { return gui::hasFocus(form.EmbeddedWB1->webView()); });
            for (const int entry : {1, 2, 0}) {
                form.openIndexEntry(entry);
                shown.push_back(gui::waitFor([&] { return shows(entry + 1); }));
            }
        });
        EXPECT_EQ(shown, std::vector<bool>(4, true));
        EXPECT_TRUE(focusInDocument);
        ASSERT_EQ(messages.seen.size(), 1u);
        EXPECT_EQ(messages.seen[0].caption, wxS("raveLund"));
        EXPECT_NE(messages.seen[0].text.Find(wxString::FromUTF8(name)), wxNOT_FOUND) << messages.seen[0].text;
        // The others are prepared once, and the next opening has nothing to say.
        EXPECT_TRUE(fs::exists(packageFolder() / "charset.ok"));
        messages.seen.clear();
        read([](TShowBookForm&) {});
        EXPECT_TRUE(messages.seen.empty());
        EXPECT_TRUE(windows_->MainForm->IsShown());
    }
}

TEST_F(Damaged, ANonIntegerPlayOrderIsReportedAndTheWindowOpens) {
    installBook(fixture::sampleBook(2));
    std::string ncx = fileio::readWholeFile(packageFolder() / "toc.ncx");
    ncx.replace(ncx.find("playOrder=\"2\""), 13, "playOrder=\"x\"");
    fileio::writeWholeFileAtomic(packageFolder() / "toc.ncx", ncx);

    bool opened = false;
    wxTEST_DIALOG(read([&](TShowBookForm& form) { opened = form.IsShown(); }),
                  gui::ExpectMessage(wxS("''x'' is not a valid integer value."), wxS("raveLund")));
    EXPECT_TRUE(opened);
    EXPECT_TRUE(windows_->MainForm->IsShown());
}

TEST_F(Damaged, ChaptersWithABrokenHeadAreShown) {
    installBook(fixture::sampleBook(3));
    const auto body = [](int n) {
        return "<h1 id=\"inizio\">Capitolo " + std::to_string(n) + "</h1><p>Testo.</p>";
    };
    const fs::path text = packageFolder() / "Text";
    std::ofstream(text / "cap1.xhtml", std::ios::trunc) << "<html><body>" + body(1) + "</body></html>";
    std::ofstream(text / "cap2.xhtml", std::ios::trunc)
        << "<HTML><HEAD><TITLE>Due</TITLE></HEAD><BODY>" + body(2) + "</BODY></HTML>";
    std::ofstream(text / "cap3.xhtml", std::ios::trunc)
        << "<html><head><title>Tre</title><body>" + body(3) + "</body></html>";

    gui::AnswerMessages messages;
    read([&](TShowBookForm& form) {
        EXPECT_TRUE(gui::waitFor([&] { return showsChapter(form, 1); }));
        gui::pressKey(form.EmbeddedWB1, WXK_F7);
        EXPECT_TRUE(gui::waitFor([&] { return showsChapter(form, 2); }));
        gui::pressKey(form.EmbeddedWB1, WXK_F7);
        EXPECT_TRUE(gui::waitFor([&] { return showsChapter(form, 3); }));
    });
    EXPECT_TRUE(messages.seen.empty());
    EXPECT_TRUE(fs::exists(packageFolder() / "charset.ok"));
}

// Tests run as root, so permissions stop no write: a folder where the
// reading position must be written stands for a read-only book folder.
TEST_F(Damaged, AReadingPositionThatCannotBeWrittenIsReportedAndTheLibraryComesBack) {
    installBook(fixture::sampleBook(2));
    read([&](TShowBookForm& form) { EXPECT_TRUE(gui::waitFor([&] { return showsChapter(form, 1); })); });
    const std::string position = fileio::readWholeFile(bookFolder() / "autobookmark.bin");
    const std::string chapter = fileio::readWholeFile(packageFolder() / "Text" / "cap1.xhtml");

    fs::remove(bookFolder() / "autobookmark.bin");
    fs::create_directory(bookFolder() / "autobookmark.bin");
    gui::AnswerMessages messages;
    read([&](TShowBookForm& form) { EXPECT_TRUE(gui::waitFor([&] { return showsChapter(form, 1); })); });
    ASSERT_EQ(messages.seen.size(), 1u);
    EXPECT_EQ(messages.seen[0].caption, wxS("raveLund"));
    EXPECT_NE(messages.seen[0].text.Find(wxS("autobookmark.bin")), wxNOT_FOUND) << messages.seen[0].text;
    EXPECT_TRUE(windows_->MainForm->IsShown());
    EXPECT_TRUE(fs::is_directory(bookFolder() / "autobookmark.bin"));
    EXPECT_EQ(fileio::readWholeFile(packageFolder() / "Text" / "cap1.xhtml"), chapter);
    EXPECT_EQ(position.size(), readingposition::kFileSize);
}

// A read-only file system refuses even root: a tmpfs of its own, mounted over
// the book folder, stands for a book on a read-only medium.
TEST_F(Damaged, AReadOnlyBookIsReadAndEveryRefusedWriteIsReported) {
    fs::create_directories(bookFolder());
    fixture::Tmpfs disk(bookFolder(), "1m");
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here: " << disk.error();
    installBook(fixture::sampleBook(2));
    const std::string chapter = fileio::readWholeFile(packageFolder() / "Text" / "cap1.xhtml");
    ASSERT_TRUE(disk.makeReadOnly()) << disk.error();

    gui::AnswerMessages messages;
    bool shown = false, focusInDocument = false;
    size_t messagesWhileReading = 0;
    read([&](TShowBookForm& form) {
        shown = gui::waitFor([&] { return showsChapter(form, 1); });
        focusInDocument = gui::waitFor([&] { return gui::hasFocus(form.EmbeddedWB1->webView()); });
        messagesWhileReading = messages.seen.size();
    });
    EXPECT_TRUE(shown);
    EXPECT_TRUE(focusInDocument);
    // At the opening: the first chapter named, the other refused writes
    // (a chapter, the marker, the style sheet) counted; at the closing, the
    // reading position.
    ASSERT_EQ(messagesWhileReading, 1u);
    ASSERT_EQ(messages.seen.size(), 2u);
    EXPECT_NE(messages.seen[0].text.Find(wxS("cap1.xhtml")), wxNOT_FOUND) << messages.seen[0].text;
    EXPECT_TRUE(messages.seen[0].text.EndsWith(wxS("\nCi sono stati altri 3 errori."))) << messages.seen[0].text;
    EXPECT_NE(messages.seen[1].text.Find(wxS("autobookmark.bin")), wxNOT_FOUND) << messages.seen[1].text;
    EXPECT_TRUE(windows_->MainForm->IsShown());
    EXPECT_EQ(fileio::readWholeFile(packageFolder() / "Text" / "cap1.xhtml"), chapter);
}
