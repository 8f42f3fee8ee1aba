#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/fileio.h"
#include "platform/textconv.h"
#include "shell/catalogue.h"
#include "testfolder.h"

namespace fs = std::filesystem;

namespace {

std::unique_ptr<TlibRecord> record(std::u16string title, std::u16string author, std::u16string folder, bool newbook,
                                   double date) {
    auto r = std::make_unique<TlibRecord>();
    r->Title = std::move(title);
    r->Author = std::move(author);
    r->Folder = std::move(folder);
    r->Newbook = newbook;
    r->ReadDate = date;
    return r;
}

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

}  // namespace

TEST(Catalogue, EmptyAndOneEntryFilesAreByteExact) {
    TlibRecordList list;
    EXPECT_EQ(encodeCatalogue(list), bytes({0x4C, 0, 0x56, 0, 0x46, 0, 0, 0}));

    list.Add(record(u"Abc", u"", u"C:\\x", true, readDateFromLocal(2013, 1, 1, 0, 0, 0, 0)));
    EXPECT_EQ(encodeCatalogue(list),
              bytes({0x4C, 0, 0x56, 0, 0x46, 0, 0x01, 0x00, 0x06, 0, 0x41, 0, 0x62, 0, 0x63, 0, 0, 0, 0x08, 0, 0x43,
                     0, 0x3A, 0, 0x5C, 0, 0x78, 0, 0x01, 0, 0, 0, 0, 0x60, 0x27, 0xE4, 0x40}));
}

TEST(Catalogue, SaveAndLoadKeepEntriesOrderFlagsAndDatesToTheBit) {
    TestFolder dir;
    TlibRecordList list;
    list.Add(record(u"Città 📖", u"Autore", u"/lib/a.epub", false, 41275.123456789012));
    list.Add(record(std::u16string(1999, u'x'), u"", u"/lib/b.epub", true, -1.5));
    list.Add(record(std::u16string(20000, u'y'), u"z", u"", false, 45000.0000000001));
    const std::string path = dir / "library.bin";
    saveLibraryFile(list, path);

    TlibRecordList loaded;
    ASSERT_EQ(loadLibraryFile(loaded, path), CatalogueLoad::Loaded);
    ASSERT_EQ(loaded.Count(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.Get(i).Title, list.Get(i).Title);
        EXPECT_EQ(loaded.Get(i).Author, list.Get(i).Author);
        EXPECT_EQ(loaded.Get(i).Folder, list.Get(i).Folder);
        EXPECT_EQ(loaded.Get(i).Newbook, list.Get(i).Newbook);
        EXPECT_EQ(std::memcmp(&loaded.Get(i).ReadDate, &list.Get(i).ReadDate, 8), 0);
    }
    EXPECT_EQ(fs::directory_iterator(dir.path())->path().filename(), "library.bin");  // no temporary left
}

TEST(Catalogue, LoadingReportsMissingWrongMagicAndAnyNonzeroNewbookByte) {
    TestFolder dir;
    TlibRecordList list;
    list.Add(record(u"t", u"a", u"f", false, 1));
    EXPECT_EQ(loadLibraryFile(list, dir / "library.bin"), CatalogueLoad::Missing);
    EXPECT_TRUE(list.Empty());

    writeFile(dir / "library.bin", "LXVXFX\1\0");
    list.Add(record(u"t", u"a", u"f", false, 1));
    EXPECT_EQ(loadLibraryFile(list, dir / "library.bin"), CatalogueLoad::WrongMagic);
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(wrongMagicMessage(dir / "library.bin"), "\"library.bin\" non \xC3\xA8 un file libreria!");

    std::string file = bytes({0x4C, 0, 0x56, 0, 0x46, 0, 1, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(decodeCatalogue(file, list), CatalogueLoad::Loaded);
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_TRUE(list.Get(0).Newbook);
}

TEST(Catalogue, EveryPrefixKeepsTheCompleteEntriesBeforeTheCut) {
    TlibRecordList list;
    for (int i = 0; i < 4; ++i) list.Add(record(u"Titolo", u"Autore", u"/l/x.epub", i % 2, i));
    const std::string file = encodeCatalogue(list);
    size_t complete = 0;
    for (size_t len = 0; len <= file.size(); ++len) {
        TlibRecordList loaded;
        const CatalogueLoad result = decodeCatalogue(std::string_view(file).substr(0, len), loaded);
        if (len < 6) {
            EXPECT_EQ(result, CatalogueLoad::WrongMagic);
            continue;
        }
        EXPECT_GE(loaded.Count(), complete) << len;
        complete = loaded.Count();
    }
    EXPECT_EQ(complete, 4u);
}

TEST(Catalogue, TextStopsAtItsFirstNulCodeUnit) {
    const std::string file = bytes({0x4C, 0, 0x56, 0, 0x46, 0, 1, 0, 6, 0, 'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0, 0, 0,
                                    0, 0, 0, 0, 0, 0, 0, 0});
    TlibRecordList list;
    decodeCatalogue(file, list);
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Get(0).Title, u"a");
}

TEST(Catalogue, SortsLatestReadingFirstAndFormatsDates) {
    TlibRecordList list;
    list.Add(record(u"old", u"", u"", false, readDateFromLocal(2013, 3, 5, 9, 7, 0, 0)));
    list.Add(record(u"new", u"", u"", false, readDateFromLocal(2013, 3, 7, 23, 59, 59, 999)));
    list.Add(record(u"mid", u"", u"", false, readDateFromLocal(2013, 3, 6, 0, 0, 0, 0)));
    list.SortByReadDate();
    EXPECT_EQ(list.Get(0).Title, u"new");
    EXPECT_EQ(list.Get(1).Title, u"mid");
    EXPECT_EQ(list.Get(2).Title, u"old");
    EXPECT_EQ(formatReadDate(list.Get(2).ReadDate), "05/03/2013 09:07");
    EXPECT_EQ(formatReadDate(list.Get(0).ReadDate), "07/03/2013 23:59");
    EXPECT_EQ(formatReadDate(0), "30/12/1899 00:00");
    // Damaged dates outside the years 1 to 9999 show as no date.
    EXPECT_EQ(formatReadDate(-693593.0), "01/01/0001 00:00");
    EXPECT_EQ(formatReadDate(2958465.999), "31/12/9999 23:58");
    for (const double damaged : {-693593.5, -1638480.37890625, 2958466.0, 1e300})
        EXPECT_EQ(formatReadDate(damaged), "") << damaged;

    TlibRecord a, b;
    a.ReadDate = 41275.0;
    b.ReadDate = 41275.0 + 0.4 / 86400000.0;  // the same millisecond
    EXPECT_EQ(compareReadDate(a, b), 0);
    b.ReadDate = 41275.0 + 1.0 / 86400000.0;
    EXPECT_GT(compareReadDate(a, b), 0);
}

TEST(Catalogue, JoinsTheLibraryFolderWithExactlyOneSeparator) {
    EXPECT_EQ(joinLibraryPath("/home/u/epub", "Libro.epub"), "/home/u/epub/Libro.epub");
    EXPECT_EQ(joinLibraryPath("/", "Libro.epub"), "/Libro.epub");
}

TEST(Catalogue, SweepDeletesOnlyUnnamedBookFolders) {
    TestFolder dir;
    const std::string lib = dir / "epub";
    writeFile(lib + "/Kept.epub/a.txt", "x");
    writeFile(lib + "/Left.epub/sub/.hidden", "x");
    writeFile(lib + "/Left.epub/b.txt", "x");
    writeFile(lib + "/OTHER.EPUB/c.txt", "x");
    writeFile(lib + "/.hidden.epub/d.txt", "x");
    writeFile(lib + "/Photos/e.jpg", "x");
    writeFile(lib + "/plain.epub", "a file");
    writeFile(dir / "outside/f.txt", "x");
    fs::create_directory_symlink(dir / "outside", lib + "/Link.epub");

    TlibRecordList list;
    list.Add(record(u"", u"", text::utf8ToUtf16(lib + "/Kept.epub"), true, 0));
    list.Add(record(u"", u"", text::utf8ToUtf16(lib + "/Gone.epub"), true, 0));
    sweepBookFolders(list, lib);

    EXPECT_TRUE(fs::exists(lib + "/Kept.epub/a.txt"));
    EXPECT_FALSE(fs::exists(lib + "/Left.epub"));
    EXPECT_FALSE(fs::exists(lib + "/OTHER.EPUB"));
    EXPECT_TRUE(fs::exists(lib + "/.hidden.epub/d.txt"));
    EXPECT_TRUE(fs::exists(lib + "/Photos/e.jpg"));
    EXPECT_TRUE(fs::exists(lib + "/plain.epub"));
    EXPECT_TRUE(fs::exists(dir / "outside/f.txt"));
    EXPECT_EQ(list.Count(), 2u);  // an entry whose folder has gone stays
}

TEST(Catalogue, DeleteFolderTreeRemovesLinksWithoutFollowingThem) {
    TestFolder dir;
    writeFile(dir / "book/.hidden/x", "x");
    writeFile(dir / "book/y", "y");
    writeFile(dir / "outside/keep", "k");
    fs::create_directory_symlink(dir / "outside", dir / "book/link");
    fs::create_symlink(dir / "outside/keep", dir / "book/filelink");
    deleteFolderTree(dir / "book");
    EXPECT_FALSE(fs::exists(dir / "book"));
    EXPECT_TRUE(fs::exists(dir / "outside/keep"));
}

TEST(FileIo, IsInsideFolderAcceptsOnlyPathsStrictlyBelow) {
    struct Case {
        const char* path;
        bool inside;
    } cases[] = {
        {"/d/epub/a.epub", true}, {"/d/epub/a.epub/", true}, {"/d/epub", false},
        {"/d/epub/", false},      {"/d/epub/../x", false},   {"/d/epubx/a", false},
        {"", false},              {"a.epub", false},         {"/d/epub/./a/../../epub/b", true},
    };
    for (const Case& c : cases) EXPECT_EQ(fileio::isInsideFolder(c.path, "/d/epub"), c.inside) << c.path;
}
