// Damaged books and a damaged disk: what the program reads from them, and
// that no file it wrote before is lost or left half-written when a write
// fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "books.h"
#include "epub/chapterprep.h"
#include "epub/package.h"
#include "epub/xmlscanner.h"
#include "platform/fileio.h"
#include "platform/textconv.h"
#include "shell/addbook.h"
#include "shell/catalogue.h"
#include "shell/settings.h"
#include "testfolder.h"
#include "tmpfs.h"
#include "viewer/readingposition.h"
#include "viewer/stylesheet.h"
#include "zip/extractor.h"

namespace fs = std::filesystem;
using chapterprep::TextEncoding;

namespace {

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> tree(const fs::path& root) {
    std::vector<std::string> names;
    if (!fs::exists(root)) return names;
    for (const auto& e : fs::recursive_directory_iterator(root)) names.push_back(fs::relative(e.path(), root).string());
    std::sort(names.begin(), names.end());
    return names;
}

TlibRecordList oneBook(const std::string& folder) {
    TlibRecordList list;
    auto r = std::make_unique<TlibRecord>();
    r->Title = u"Libro di prova";
    r->Folder = text::utf8ToUtf16(folder);
    list.Add(std::move(r));
    return list;
}

}  // namespace

// ---- Truncated archives --------------------------------------------------

TEST(DamagedBooks, ATruncatedArchiveIsRefusedAndTheSweepLeavesTheLibraryAsItWas) {
    TestFolder dir;
    const fs::path library = dir.path() / "epub";
    // A book already in the library, with its catalogue.
    fixture::writeTree(library / "Vecchio.epub", fixture::epubFiles(fixture::sampleBook(1)));
    const TlibRecordList catalogue = oneBook((library / "Vecchio.epub").string());
    saveLibraryFile(catalogue, (library / kLibraryFileName).string());
    const std::vector<std::string> before = tree(library);
    const std::string libraryBytes = fileio::readWholeFile(library / kLibraryFileName);

    fixture::writeZip(dir.path() / "intero.epub", fixture::epubFiles(fixture::sampleBook(3)));
    const std::string whole = fileio::readWholeFile(dir.path() / "intero.epub");
    ASSERT_GT(whole.size(), 200u);
    // Cut in the local headers, in the middle, inside and just before the
    // end of the central directory.
    const size_t cuts[] = {0, 4, 30, whole.size() / 2, whole.size() - 100, whole.size() - 22, whole.size() - 1};
    for (const size_t cut : cuts) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const fs::path file = dir.path() / "Rotto.epub";
        std::ofstream(file, std::ios::binary | std::ios::trunc) << whole.substr(0, cut);
        zipextract::ZipExtractor extractor;
        const UnpackedBook book = unpackBook(extractor, file.string(), library.string());
        EXPECT_FALSE(book.ok);
        sweepBookFolders(catalogue, library.string());
        EXPECT_EQ(tree(library), before);
        EXPECT_EQ(fileio::readWholeFile(library / kLibraryFileName), libraryBytes);
    }
}

// ---- A chapter that cannot be read -----------------------------------------

// Chapters that cannot be written are shown on a full disk below.
TEST(DamagedBooks, AChapterThatCannotBeReadIsReportedAndTheOthersArePrepared) {
    enum Damage { Missing, FolderInItsPlace };
    for (const Damage damage : {Missing, FolderInItsPlace}) {
        SCOPED_TRACE(damage == Missing ? "missing" : "folder");
        TestFolder dir;
        const fs::path pkg = dir.path() / "Libro.epub" / "OEBPS";
        fixture::writeTree(dir.path() / "Libro.epub", fixture::epubFiles(fixture::sampleBook(3)));
        fs::remove(pkg / "Text" / "cap2.xhtml");
        if (damage == FolderInItsPlace) fs::create_directory(pkg / "Text" / "cap2.xhtml");

        TextEncoding encoding = TextEncoding::Ansi;
        const chapterprep::Preparation done = chapterprep::setUTF8(
            pkg.string() + "/", {"Text/cap1.xhtml", "Text/cap2.xhtml", "Text/cap3.xhtml"}, encoding);
        EXPECT_TRUE(done.prepared);
        ASSERT_EQ(done.failures.size(), 1u);
        EXPECT_NE(done.failures[0].find("cap2.xhtml"), std::string::npos) << done.failures[0];
        for (const char* other : {"cap1.xhtml", "cap3.xhtml"})
            EXPECT_NE(fileio::readWholeFile(pkg / "Text" / other).find(chapterprep::kMetaText), std::string::npos)
                << other;
        EXPECT_TRUE(fs::exists(pkg / chapterprep::kMarkerFileName));
        // No temporary file is left beside the chapters.
        for (const std::string& name : namesIn(pkg / "Text")) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    }
}

// ---- A package document in UTF-16 -------------------------------------------

TEST(DamagedBooks, BookDocumentsInUtf16AreReadLikeTheirUtf8Twins) {
    struct Read {
        std::string title, author, packageFolder;
        epub::TMySpineList spine;
        epub::TMyIndexList index;
    };
    const auto readBook = [](const fs::path& book) {
        Read r;
        epub::title_and_creator(book.string(), r.title, r.author);
        epub::TXmlScanner scanner;
        EXPECT_TRUE(epub::FillIndex(book.string(), scanner, r.spine, r.index, r.packageFolder).error.empty());
        return r;
    };
    fixture::Book sample = fixture::sampleBook(2);
    sample.title = "Citt\xC3\xA0 di prova";
    TestFolder dir;
    const fs::path twin = dir.path() / "Gemello.epub";
    fixture::writeTree(twin, fixture::epubFiles(sample));
    const Read expected = readBook(twin);
    ASSERT_EQ(expected.title, sample.title);
    ASSERT_EQ(expected.index.Count(), 2);

    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "UTF-16BE" : "UTF-16LE");
        const fs::path book = dir.path() / (bigEndian ? "BE.epub" : "LE.epub");
        fixture::Files files = fixture::epubFiles(sample);
        for (const char* name : {"META-INF/container.xml", "OEBPS/content.opf", "OEBPS/toc.ncx"}) {
            std::string& doc = files[name];
            if (const size_t enc = doc.find("encoding=\"UTF-8\""); enc != std::string::npos)
                doc.replace(enc, 16, "encoding=\"UTF-16\"");
            doc = (bigEndian ? "\xFE\xFF" : "\xFF\xFE") + text::utf16ToBytes(text::utf8ToUtf16(doc), bigEndian);
        }
        fixture::writeTree(book, files);
        const Read r = readBook(book);
        EXPECT_EQ(r.title, expected.title);
        EXPECT_EQ(r.author, expected.author);
        EXPECT_EQ(r.packageFolder, book.string() + "/OEBPS/");
        ASSERT_EQ(r.spine.Count(), expected.spine.Count());
        for (int i = 0; i < r.spine.Count(); ++i) EXPECT_EQ(r.spine.Get(i).Value, expected.spine.Get(i).Value);
        ASSERT_EQ(r.index.Count(), expected.index.Count());
        for (int i = 0; i < r.index.Count(); ++i) {
            EXPECT_EQ(r.index.Get(i).Value, expected.index.Get(i).Value);
            EXPECT_EQ(r.index.Get(i).Link, expected.index.Get(i).Link);
            EXPECT_EQ(r.index.Get(i).spineIndex, expected.index.Get(i).spineIndex);
        }
    }
}

// ---- Chapters with a broken head --------------------------------------------

TEST(DamagedBooks, AChapterWithABrokenHeadGetsWhatItsHeadAllowsAndKeepsItsText) {
    const std::string link = chapterprep::linkText("file:///libro/");
    const std::string meta(chapterprep::kMetaText);
    struct Case {
        const char* name;
        std::string chapter, expected;
    } cases[] = {
        {"no head", "<html><body><p>Testo</p></body></html>", "<html><body><p>Testo</p></body></html>"},
        {"upper-case head", "<HTML><HEAD><TITLE>T</TITLE></HEAD><BODY><P>Testo</P></BODY></HTML>",
         "<HTML><HEAD><TITLE>T</TITLE></HEAD><BODY><P>Testo</P></BODY></HTML>"},
        {"unclosed head", "<html><head><title>T</title><body><p>Testo</p></body></html>",
         "<html><head>" + meta + "<title>T</title><body><p>Testo</p></body></html>"},
        {"only a closing head", "<html></head><body><p>Testo</p></body></html>",
         "<html>" + link + "</head><body><p>Testo</p></body></html>"},
        {"head cut at the end", "<html><head", "<html><head"},
        {"empty file", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(chapterprep::prepareChapter(c.chapter, link), c.expected);
    }

    // The same heads in a book: the whole preparation goes through.
    TestFolder dir;
    const fs::path pkg = dir.path() / "OEBPS";
    std::vector<std::string> hrefs;
    for (size_t i = 0; i < std::size(cases); ++i) {
        hrefs.push_back("c" + std::to_string(i) + ".xhtml");
        writeFile(pkg / hrefs.back(), cases[i].chapter);
    }
    TextEncoding encoding = TextEncoding::Ansi;
    EXPECT_TRUE(chapterprep::setUTF8(pkg.string() + "/", hrefs, encoding).prepared);
    EXPECT_EQ(fileio::readWholeFile(pkg / "c0.xhtml"), cases[0].expected);
    EXPECT_TRUE(fs::exists(pkg / chapterprep::kMarkerFileName));
}

// ---- A book folder that refuses writes --------------------------------------

// Tests run as root, so permissions do not stop a write: a file or folder
// where the program needs the other kind stands for a read-only folder.
TEST(DamagedBooks, AReadingPositionThatCannotBeWrittenThrowsAndKeepsTheBook) {
    TestFolder dir;
    const fs::path book = dir.path() / "Libro.epub";
    fixture::writeTree(book, fixture::epubFiles(fixture::sampleBook(1)));
    const std::vector<std::string> before = tree(book);

    fs::create_directory(book / readingposition::kFileName);
    EXPECT_THROW(readingposition::writeReadingPosition(book.string(), {10, 0}), fileio::FileError);
    EXPECT_FALSE(readingposition::readReadingPosition(book.string(), 1).has_value());
    fs::remove(book / readingposition::kFileName);
    EXPECT_EQ(tree(book), before);

    // The book "folder" is a file.
    const fs::path notFolder = dir.path() / "File.epub";
    std::ofstream(notFolder) << "x";
    EXPECT_THROW(readingposition::writeReadingPosition(notFolder.string(), {10, 0}), fileio::FileError);
    EXPECT_EQ(fileio::readWholeFile(notFolder), "x");
}

TEST(DamagedBooks, AStyleSheetThatCannotBeWrittenThrowsAndAFolderInTheMarkersPlaceKeepsTheChapters) {
    TestFolder dir;
    const fs::path pkg = dir.path() / "OEBPS";
    writeFile(pkg / "Text" / "c1.xhtml", fixture::chapterDocument("Uno", "<p>uno</p>"));
    fs::create_directories(pkg / "Text" / stylesheet::kFileName);
    EXPECT_THROW(stylesheet::writeStyleSheet(pkg.string() + "/", {"Text/c1.xhtml"}, 100, 0), fileio::FileError);
    EXPECT_TRUE(fs::is_directory(pkg / "Text" / stylesheet::kFileName));
    EXPECT_EQ(namesIn(pkg / "Text"), (std::vector<std::string>{"c1.xhtml", "ravelund.css"}));

    // A folder where the marker must be: taken as the marker, so the
    // chapters are left as they are rather than prepared twice.
    fs::remove(pkg / "Text" / stylesheet::kFileName);
    fs::create_directories(pkg / chapterprep::kMarkerFileName);
    const std::string chapter = fileio::readWholeFile(pkg / "Text" / "c1.xhtml");
    TextEncoding encoding = TextEncoding::Ansi;
    EXPECT_FALSE(chapterprep::setUTF8(pkg.string() + "/", {"Text/c1.xhtml"}, encoding).prepared);
    EXPECT_EQ(fileio::readWholeFile(pkg / "Text" / "c1.xhtml"), chapter);
}

// ---- A full disk, a read-only book folder -------------------------------------

namespace {

// A small tmpfs of its own, filled to the last page or made read-only on
// demand.
class SmallDisk : public ::testing::Test {
protected:
    void SetUp() override {
        disk_.emplace(dir_.path(), "256k");
        if (!disk_->mounted()) GTEST_SKIP() << "cannot mount a tmpfs here: " << disk_->error();
    }
    void TearDown() override { disk_.reset(); }
    fs::path root() const { return dir_.path(); }

    // Takes every free page of the file system.
    void fill() {
        const int fd = ::open((root() / "riempitivo").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        std::string block(4096, 'x');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        while (::write(fd, "x", 1) > 0) {
        }
        EXPECT_EQ(errno, ENOSPC);
        ::close(fd);
    }
    void makeReadOnly() { ASSERT_TRUE(disk_->makeReadOnly()) << disk_->error(); }
    // Nothing but the expected files: no temporary file is left behind.
    void expectNoTemporaryFile(const fs::path& folder) {
        for (const auto& e : fs::recursive_directory_iterator(folder))
            EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
    }

private:
    TestFolder dir_;
    std::optional<fixture::Tmpfs> disk_;
};

}  // namespace

TEST_F(SmallDisk, TheCatalogueKeepsItsOldContent) {
    const std::string path = (root() / kLibraryFileName).string();
    saveLibraryFile(oneBook("/libri/Uno.epub"), path);
    const std::string before = fileio::readWholeFile(path);
    fill();
    TlibRecordList bigger = oneBook("/libri/Uno.epub");
    for (int i = 0; i < 50; ++i) bigger.Add(std::make_unique<TlibRecord>(bigger.Get(0)));
    EXPECT_THROW(saveLibraryFile(bigger, path), fileio::FileError);
    EXPECT_EQ(fileio::readWholeFile(path), before);
    TlibRecordList loaded;
    EXPECT_EQ(loadLibraryFile(loaded, path), CatalogueLoad::Loaded);
    EXPECT_EQ(loaded.Count(), 1u);
    expectNoTemporaryFile(root());
}

TEST_F(SmallDisk, TheReadingPositionKeepsItsOldContent) {
    const std::string book = (root() / "Libro.epub").string();
    fs::create_directory(book);
    readingposition::writeReadingPosition(book, {120, 1});
    fill();
    EXPECT_THROW(readingposition::writeReadingPosition(book, {999, 2}), fileio::FileError);
    EXPECT_EQ(readingposition::readReadingPosition(book, 3), (readingposition::ReadingPosition{120, 1}));
    expectNoTemporaryFile(root());
}

TEST_F(SmallDisk, TheSettingsFileKeepsItsOldContent) {
    const std::string path = (root() / "ravelund.ini").string();
    IniFile(path).WriteString(kSettingsSection, "folderlib", "/libri");
    IniFile(path).WriteInteger(kSettingsSection, "zoom", 120);
    const std::string before = fileio::readWholeFile(path);
    fill();
    EXPECT_THROW(IniFile(path).WriteInteger(kSettingsSection, "zoom", 150), fileio::FileError);
    EXPECT_EQ(fileio::readWholeFile(path), before);
    EXPECT_EQ(IniFile(path).ReadInteger(kSettingsSection, "zoom", 0), 120);
    expectNoTemporaryFile(root());
}

TEST_F(SmallDisk, AChapterRewriteKeepsTheOriginalChapter) {
    const fs::path pkg = root() / "OEBPS";
    writeFile(pkg / "Text" / "c1.xhtml", fixture::chapterDocument("Uno", "<p>uno</p>"));
    const std::string original = fileio::readWholeFile(pkg / "Text" / "c1.xhtml");
    fill();
    TextEncoding encoding = TextEncoding::Ansi;
    const chapterprep::Preparation done = chapterprep::setUTF8(pkg.string() + "/", {"Text/c1.xhtml"}, encoding);
    ASSERT_FALSE(done.failures.empty());
    EXPECT_NE(done.failures[0].find("c1.xhtml"), std::string::npos) << done.failures[0];
    EXPECT_EQ(fileio::readWholeFile(pkg / "Text" / "c1.xhtml"), original);
    expectNoTemporaryFile(pkg);
}

TEST_F(SmallDisk, TheStyleSheetKeepsItsOldContent) {
    const fs::path pkg = root() / "OEBPS";
    writeFile(pkg / "Text" / "c1.xhtml", "<html/>");
    ASSERT_TRUE(stylesheet::writeStyleSheet(pkg.string() + "/", {"Text/c1.xhtml"}, 100, 0));
    const std::string before = fileio::readWholeFile(pkg / "Text" / stylesheet::kFileName);
    fill();
    EXPECT_THROW(stylesheet::writeStyleSheet(pkg.string() + "/", {"Text/c1.xhtml"}, 150, 2), fileio::FileError);
    EXPECT_EQ(fileio::readWholeFile(pkg / "Text" / stylesheet::kFileName), before);
    EXPECT_EQ(before, stylesheet::styleSheetText(100, 0));
    expectNoTemporaryFile(pkg);
}

TEST_F(SmallDisk, AReadOnlyBookFolderIsReportedFileByFileAndKeepsEveryFile) {
    const fs::path book = root() / "Libro.epub";
    const fs::path pkg = book / "OEBPS";
    fixture::writeTree(book, fixture::epubFiles(fixture::sampleBook(2)));
    readingposition::writeReadingPosition(book.string(), {120, 1});
    ASSERT_TRUE(stylesheet::writeStyleSheet(pkg.string() + "/", {"Text/cap1.xhtml"}, 100, 0));
    const std::vector<std::string> before = tree(book);
    std::vector<std::string> contents;
    for (const std::string& name : before)
        if (fs::is_regular_file(book / name)) contents.push_back(fileio::readWholeFile(book / name));
    makeReadOnly();

    TextEncoding encoding = TextEncoding::Ansi;
    const chapterprep::Preparation done =
        chapterprep::setUTF8(pkg.string() + "/", {"Text/cap1.xhtml", "Text/cap2.xhtml"}, encoding);
    ASSERT_EQ(done.failures.size(), 3u);  // both chapters, then the marker
    EXPECT_NE(done.failures[0].find("cap1.xhtml"), std::string::npos) << done.failures[0];
    EXPECT_NE(done.failures[2].find(chapterprep::kMarkerFileName), std::string::npos) << done.failures[2];
    EXPECT_THROW(stylesheet::writeStyleSheet(pkg.string() + "/", {"Text/cap1.xhtml"}, 150, 2), fileio::FileError);
    EXPECT_THROW(readingposition::writeReadingPosition(book.string(), {999, 0}), fileio::FileError);

    EXPECT_EQ(tree(book), before);
    std::vector<std::string> after;
    for (const std::string& name : before)
        if (fs::is_regular_file(book / name)) after.push_back(fileio::readWholeFile(book / name));
    EXPECT_EQ(after, contents);
}
