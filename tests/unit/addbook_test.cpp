#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "books.h"
#include "shell/addbook.h"
#include "testfolder.h"
#include "zip/extractor.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> listAll(const fs::path& root) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(root)) names.push_back(e.path().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(AddBook, AValidEpubIsUnpackedIntoAFolderNamedAfterTheFile) {
    TestFolder dir;
    fixture::writeZip(dir / "Libro.epub", fixture::epubFiles(fixture::sampleBook(2)));
    zipextract::ZipExtractor extractor;
    const UnpackedBook book = unpackBook(extractor, dir / "Libro.epub", dir / "epub");
    ASSERT_TRUE(book.ok);
    EXPECT_EQ(book.bookFolder, dir / "epub/Libro.epub");
    EXPECT_EQ(book.title, "Libro di prova");
    EXPECT_EQ(book.author, "Autrice Prova");
    EXPECT_TRUE(fs::is_regular_file(dir / "epub/Libro.epub/OEBPS/Text/cap2.xhtml"));
    EXPECT_TRUE(fs::is_regular_file(dir / "epub/Libro.epub/META-INF/container.xml"));
}

TEST(AddBook, TheBookFolderHasExactlyOneSeparator) {
    EXPECT_EQ(bookFolderFor("/home/u/epub", "/d/libri/Moby Dick.epub"), "/home/u/epub/Moby Dick.epub");
    EXPECT_EQ(bookFolderFor("/media/chiave/", "/d/Moby Dick.epub"), "/media/chiave/Moby Dick.epub");
}

TEST(AddBook, FilesThatAreNoArchiveWithEntriesAreRefusedBeforeAnythingIsCreated) {
    TestFolder dir;
    fs::create_directories(dir / "epub");
    writeFile(dir / "testo.epub", "solo testo, nessun archivio");
    fixture::writeZip(dir / "vuoto.epub", {});
    const auto before = listAll(dir.path());
    zipextract::ZipExtractor extractor;
    for (const char* name : {"testo.epub", "vuoto.epub", "mancante.epub"}) {
        EXPECT_FALSE(unpackBook(extractor, dir / name, dir / "epub").ok) << name;
        EXPECT_EQ(listAll(dir.path()), before) << name;
    }
}

TEST(AddBook, AnArchiveThatIsNoBookIsUnpackedWithEmptyTitleAndAuthor) {
    TestFolder dir;
    fixture::writeZip(dir / "foto.zip", {{"a/foto.txt", "x"}});
    zipextract::ZipExtractor extractor;
    const UnpackedBook book = unpackBook(extractor, dir / "foto.zip", dir / "epub");
    ASSERT_TRUE(book.ok);
    EXPECT_EQ(book.title, "");
    EXPECT_EQ(book.author, "");
    EXPECT_TRUE(fs::exists(dir / "epub/foto.zip/a/foto.txt"));
}

TEST(AddBook, AnArchiveLeavingTheBookFolderIsRefusedWithNothingWritten) {
    TestFolder dir;
    fs::create_directories(dir / "epub");
    fixture::writeZip(dir / "cattivo.epub", {{"mimetype", "application/epub+zip"}, {"../../fuori.txt", "x"}});
    const auto before = listAll(dir.path());
    zipextract::ZipExtractor extractor;
    EXPECT_FALSE(unpackBook(extractor, dir / "cattivo.epub", dir / "epub").ok);
    EXPECT_EQ(listAll(dir.path()), before);
}
