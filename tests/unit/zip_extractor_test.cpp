#include <gtest/gtest.h>

#include <zip.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "platform/fileio.h"
#include "zip/extractor.h"

namespace fs = std::filesystem;
using zipextract::ExtractResult;
using zipextract::ExtractStatus;
using zipextract::OpenStatus;
using zipextract::ZipExtractor;

namespace {

// ---- archive building ------------------------------------------------------

struct Entry {
    std::string name;
    std::string data;
    bool folder = false;
    bool deflate = true;
    bool symlink = false;
    zip_uint16_t encryption = ZIP_EM_NONE;
};

void writeZip(const fs::path& file, const std::vector<Entry>& entries) {
    int error = 0;
    zip_t* za = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(za, nullptr) << error;
    for (const Entry& e : entries) {
        zip_int64_t index;
        if (e.folder) {
            index = zip_dir_add(za, e.name.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t* src = zip_source_buffer(za, e.data.data(), e.data.size(), 0);
            ASSERT_NE(src, nullptr);
            index = zip_file_add(za, e.name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
            if (index < 0) zip_source_free(src);
        }
        ASSERT_GE(index, 0) << e.name << ": " << zip_strerror(za);
        const auto i = static_cast<zip_uint64_t>(index);
        if (!e.folder) {
            ASSERT_EQ(zip_set_file_compression(za, i, e.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0), 0);
        }
        if (e.symlink) {
            const auto mode = static_cast<zip_uint32_t>(S_IFLNK | 0777) << 16;
            ASSERT_EQ(zip_file_set_external_attributes(za, i, 0, ZIP_OPSYS_UNIX, mode), 0);
        }
        if (e.encryption != ZIP_EM_NONE) {
            ASSERT_EQ(zip_file_set_encryption(za, i, e.encryption, "segreta"), 0);
        }
    }
    ASSERT_EQ(zip_close(za), 0) << zip_strerror(za);
}

std::string readBytes(const fs::path& p) { return fileio::readWholeFile(p); }

void writeBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Offsets of every record with the given signature ("PK\3\4" local header,
// "PK\1\2" central header, "PK\5\6" end record); test data never holds "PK".
std::vector<size_t> findRecords(const std::string& bytes, const char* signature) {
    std::vector<size_t> found;
    for (size_t at = bytes.find(signature, 0, 4); at != std::string::npos; at = bytes.find(signature, at + 1, 4))
        found.push_back(at);
    return found;
}

void put16(std::string& bytes, size_t at, std::uint16_t v) {
    bytes[at] = static_cast<char>(v & 0xFF);
    bytes[at + 1] = static_cast<char>(v >> 8);
}

void put32(std::string& bytes, size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint16_t get16(const std::string& bytes, size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

// Field offsets inside the local and the central header.
constexpr size_t kLocalFlags = 6, kLocalMethod = 8, kLocalCompSize = 18, kLocalSize = 22;
constexpr size_t kCentralFlags = 8, kCentralMethod = 10, kCentralCompSize = 20, kCentralSize = 24;

// Applies a change to the header pair of entry `entry` (local and central).
void patchEntry(const fs::path& file, size_t entry,
                const std::function<void(std::string&, size_t local, size_t central)>& change) {
    std::string bytes = readBytes(file);
    const auto locals = findRecords(bytes, "PK\3\4");
    const auto centrals = findRecords(bytes, "PK\1\2");
    ASSERT_GT(locals.size(), entry);
    ASSERT_GT(centrals.size(), entry);
    change(bytes, locals[entry], centrals[entry]);
    writeBytes(file, bytes);
}

std::string text(size_t size, char seed = 'a') {
    std::string s;
    s.reserve(size);
    while (s.size() < size) {
        s += "Nel mezzo del cammin di nostra vita ";
        s += static_cast<char>(seed + s.size() % 13);
    }
    s.resize(size);
    return s;
}

// ---- file-system checks ----------------------------------------------------

// Every path below root (but not below `except`) with its kind and size.
std::map<std::string, std::string> listTree(const fs::path& root, const fs::path& except) {
    std::map<std::string, std::string> tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path p = it->path();
        if (p == except) {
            it.disable_recursion_pending();
            continue;
        }
        std::string what;
        if (it->is_symlink()) what = "link";
        else if (it->is_directory()) what = "dir";
        else what = "file " + std::to_string(it->file_size());
        tree[p.lexically_relative(root).string()] = what;
    }
    return tree;
}

class ZipExtractorTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "zipx_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        // The book folder lies four levels down so that paths climbing up to
        // four levels land inside the watched temporary folder.
        fs::create_directories(root_ / "archives");
        base_ = root_ / "l1" / "l2" / "l3" / "lib" / "Libro.epub";
        fs::create_directories(base_.parent_path());
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(root_, ec);
    }

    fs::path archive(const std::string& name) const { return root_ / "archives" / name; }
    std::string base() const { return base_.string(); }

    fs::path root_;
    fs::path base_;
};

const std::vector<Entry>& epubEntries() {
    static const std::vector<Entry> entries = {
        {"mimetype", "application/epub+zip", false, false},
        {"META-INF/container.xml",
         "<?xml version=\"1.0\"?><container><rootfiles><rootfile full-path=\"OEBPS/content.opf\"/>"
         "</rootfiles></container>"},
        {"OEBPS/content.opf", "<package><metadata><dc:title>Libro</dc:title></metadata></package>"},
        {"OEBPS/Images", "", true},
        {"OEBPS/Text/ch1.xhtml", "<html><body><p>" + text(20000) + "</p></body></html>"},
    };
    return entries;
}

}  // namespace

// ---- opening ---------------------------------------------------------------

TEST_F(ZipExtractorTest, OpenReportsEveryKindOfFileThatIsNoReadableArchive) {
    writeBytes(archive("plain.txt"), "Questo non \xC3\xA8 un archivio, solo del testo.\n");
    writeBytes(archive("empty.epub"), "");
    fs::create_directories(archive("folder.epub"));
    writeZip(archive("split.zip"), {{"a.txt", "abc"}});
    {
        std::string bytes = readBytes(archive("split.zip"));
        const auto eocd = findRecords(bytes, "PK\5\6");
        ASSERT_EQ(eocd.size(), 1u);
        put16(bytes, eocd[0] + 4, 1);  // this is disk 1 ...
        put16(bytes, eocd[0] + 6, 1);  // ... and the directory starts on disk 1
        writeBytes(archive("split.zip"), bytes);
    }
    writeZip(archive("cut.zip"), {{"a.txt", text(3000)}});
    {
        const std::string bytes = readBytes(archive("cut.zip"));
        writeBytes(archive("cut.zip"), bytes.substr(0, bytes.size() / 2));
    }

    const struct {
        fs::path file;
        OpenStatus expected;
    } cases[] = {
        {archive("plain.txt"), OpenStatus::NotAZip},
        {archive("empty.epub"), OpenStatus::NotAZip},
        {archive("cut.zip"), OpenStatus::NotAZip},
        {archive("missing.epub"), OpenStatus::Missing},
        {archive("plain.txt") / "below.epub", OpenStatus::Missing},
        {archive("folder.epub"), OpenStatus::Unreadable},
        {archive("split.zip"), OpenStatus::SplitArchive},
    };
    for (const auto& c : cases) {
        ZipExtractor z;
        EXPECT_EQ(z.open(c.file.string()), c.expected) << c.file;
        EXPECT_FALSE(z.isOpen()) << c.file;
        EXPECT_EQ(z.archiveName(), "") << c.file;
        EXPECT_EQ(z.entryCount(), 0u) << c.file;
        EXPECT_EQ(z.extractAll(base()).status, ExtractStatus::NotOpen) << c.file;
    }
    EXPECT_FALSE(fs::exists(base_));
}

TEST_F(ZipExtractorTest, ArchiveWithoutEntriesOpensWithNoEntries) {
    // Only the end record: libzip itself never writes an empty archive.
    writeBytes(archive("empty.zip"), std::string("PK\5\6", 4) + std::string(18, '\0'));
    ZipExtractor z;
    ASSERT_EQ(z.open(archive("empty.zip").string()), OpenStatus::Ok);
    EXPECT_EQ(z.archiveName(), archive("empty.zip").string());
    EXPECT_EQ(z.entryCount(), 0u);
}

TEST_F(ZipExtractorTest, ReopeningAfterAFailureForgetsTheArchiveOpenBefore) {
    writeZip(archive("book.epub"), epubEntries());
    ZipExtractor z;
    ASSERT_EQ(z.open(archive("book.epub").string()), OpenStatus::Ok);
    EXPECT_EQ(z.archiveName(), archive("book.epub").string());
    EXPECT_EQ(z.entryCount(), epubEntries().size());
    EXPECT_EQ(z.open(archive("missing.epub").string()), OpenStatus::Missing);
    EXPECT_EQ(z.archiveName(), "");
    EXPECT_EQ(z.entryCount(), 0u);
    EXPECT_EQ(z.extractAll(base()).status, ExtractStatus::NotOpen);
}

// ---- extraction ------------------------------------------------------------

TEST_F(ZipExtractorTest, EpubIsExtractedWithItsFolderStructure) {
    writeZip(archive("Libro.epub"), epubEntries());
    ZipExtractor z;
    ASSERT_EQ(z.open(archive("Libro.epub").string()), OpenStatus::Ok);
    fs::create_directory(base_);
    const ExtractResult r = z.extractAll(base());
    ASSERT_TRUE(r.ok()) << static_cast<int>(r.status) << ' ' << r.entryName << ' ' << r.detail;
    EXPECT_EQ(r.filesWritten, 4u);
    for (const Entry& e : epubEntries()) {
        const fs::path p = base_ / e.name;
        if (e.folder) {
            EXPECT_TRUE(fs::is_directory(p)) << e.name;
        } else {
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(p))) << e.name;
            EXPECT_EQ(readBytes(p), e.data) << e.name;
        }
    }
    EXPECT_EQ(listTree(base_, {}).size(), 8u);  // 4 files, 4 folders: META-INF, OEBPS, Images, Text
}

TEST_F(ZipExtractorTest, MissingBaseFolderIsCreated) {
    writeZip(archive("a.epub"), {{"x/y.txt", "contenuto"}});
    ZipExtractor z;
    ASSERT_EQ(z.open(archive("a.epub").string()), OpenStatus::Ok);
    ASSERT_TRUE(z.extractAll(base()).ok());
    EXPECT_EQ(readBytes(base_ / "x" / "y.txt"), "contenuto");
}

TEST_F(ZipExtractorTest, BackslashesAndUnicodeNamesBecomeFoldersAndFiles) {
    writeZip(archive("win.epub"), {{"OEBPS\\Text\\ch2.xhtml", "due"},
                                   {"OEBPS/Citt\xC3\xA0.xhtml", "citt\xC3\xA0"},
                                   {"empty.txt", ""}});
    ZipExtractor z;
    ASSERT_EQ(z.open(archive("win.epub").string()), OpenStatus::Ok);
    ASSERT_TRUE(z.extractAll(base()).ok());
    EXPECT_EQ(readBytes(base_ / "OEBPS" / "Text" / "ch2.xhtml"), "due");
    EXPECT_EQ(readBytes(base_ / fileio::toPath("OEBPS/Citt\xC3\xA0.xhtml")), "citt\xC3\xA0");
    EXPECT_EQ(readBytes(base_ / "empty.txt"), "");
}

TEST_F(ZipExtractorTest, ExistingFilesAreReplacedAndOtherFilesStay) {
    writeZip(archive("Libro.epub"), epubEntries());
    fs::create_directories(base_ / "OEBPS" / "Text");
    const fs::path chapter = base_ / "OEBPS" / "Text" / "ch1.xhtml";
    writeBytes(chapter, text(100000, 'k'));  // longer than the new one: no old tail may survive
    fs::permissions(chapter, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    writeBytes(base_ / "keep.txt", "resto");
    // A link left in the book folder is replaced, never written through.
    const fs::path outside = root_ / "outside.txt";
    writeBytes(outside, "fuori");
    fs::create_symlink(outside, base_ / "mimetype");

    ZipExtractor z;
    ASSERT_EQ(z.open(archive("Libro.epub").string()), OpenStatus::Ok);
    const ExtractResult r = z.extractAll(base());
    ASSERT_TRUE(r.ok()) << r.entryName << ' ' << r.detail;
    EXPECT_EQ(readBytes(chapter), epubEntries()[4].data);
    EXPECT_EQ(readBytes(base_ / "keep.txt"), "resto");
    EXPECT_FALSE(fs::is_symlink(base_ / "mimetype"));
    EXPECT_EQ(readBytes(base_ / "mimetype"), "application/epub+zip");
    EXPECT_EQ(readBytes(outside), "fuori");

    // Extracting the same archive again gives the same tree.
    const auto before = listTree(base_, {});
    ASSERT_TRUE(z.extractAll(base()).ok());
    EXPECT_EQ(listTree(base_, {}), before);
}

TEST_F(ZipExtractorTest, LinkedFolderInTheBookFolderIsNotFollowed) {
    writeZip(archive("Libro.epub"), epubEntries());
    fs::create_directories(base_);
    fs::create_directories(root_ / "elsewhere");
    fs::create_directory_symlink(root_ / "elsewhere", base_ / "OEBPS");
    ZipExtractor z;
    ASSERT_EQ(z.open(archive("Libro.epub").string()), OpenStatus::Ok);
    const ExtractResult r = z.extractAll(base());
    EXPECT_EQ(r.status, ExtractStatus::WriteFailed);
    EXPECT_EQ(r.entryName, "OEBPS/content.opf");
    EXPECT_TRUE(fs::is_empty(root_ / "elsewhere"));
}

TEST_F(ZipExtractorTest, EntryBlockedByAFileOfTheSameNameFailsAndKeepsWhatCameBefore) {
    writeZip(archive("clash.epub"), {{"a.txt", "uno"}, {"b", "file"}, {"b/c.txt", "tre"}});
    ZipExtractor z;
    ASSERT_EQ(z.open(archive("clash.epub").string()), OpenStatus::Ok);
    const ExtractResult r = z.extractAll(base());
    EXPECT_EQ(r.status, ExtractStatus::WriteFailed);
    EXPECT_EQ(r.entryName, "b/c.txt");
    EXPECT_EQ(r.filesWritten, 2u);
    EXPECT_EQ(readBytes(base_ / "a.txt"), "uno");
}

// ---- hostile archives --------------------------------------------------------

namespace {

struct HostileCase {
    const char* label;
    std::function<void(const fs::path&)> make;
    ExtractStatus expected;
    bool refusedBeforeWriting;  // nothing at all is written, not even the base folder
};

// Every hostile archive starts with an honest file, so refusing "before
// writing" is seen: that file must not appear either.
const Entry kHonest{"ok.txt", "onesto"};

std::vector<HostileCase> hostileCases(const fs::path& root) {
    auto withName = [](std::string name, bool symlink = false, std::string data = "malevolo") {
        return [name, symlink, data](const fs::path& f) {
            Entry bad{name, data};
            bad.symlink = symlink;
            writeZip(f, {kHonest, bad});
        };
    };
    std::vector<HostileCase> cases = {
        {"parent", withName("../evil.txt"), ExtractStatus::UnsafePath, true},
        {"up four", withName("../../../../evil.txt"), ExtractStatus::UnsafePath, true},
        {"down then up", withName("a/../../evil.txt"), ExtractStatus::UnsafePath, true},
        {"backslash parent", withName("..\\evil.txt"), ExtractStatus::UnsafePath, true},
        {"backslash down then up", withName("a\\..\\..\\evil.txt"), ExtractStatus::UnsafePath, true},
        {"absolute", withName((root / "evil.txt").string()), ExtractStatus::UnsafePath, true},
        {"network share", withName("//server/share/evil.txt"), ExtractStatus::UnsafePath, true},
        {"drive letter", withName("C:evil.txt"), ExtractStatus::UnsafePath, true},
        {"drive root", withName("C:\\evil.txt"), ExtractStatus::UnsafePath, true},
        {"symbolic link up", withName("up", true, "../../.."), ExtractStatus::SymbolicLink, true},
        {"symbolic link", withName("link", true, "ok.txt"), ExtractStatus::SymbolicLink, true},
        {"encrypted flag",
         [](const fs::path& f) {
             writeZip(f, {kHonest, {"secret.txt", text(500)}});
             patchEntry(f, 1, [](std::string& b, size_t local, size_t central) {
                 put16(b, local + kLocalFlags, get16(b, local + kLocalFlags) | 1);
                 put16(b, central + kCentralFlags, get16(b, central + kCentralFlags) | 1);
             });
         },
         ExtractStatus::Encrypted, true},
        {"unknown compression",
         [](const fs::path& f) {
             writeZip(f, {kHonest, {"imploded.txt", text(500)}});
             patchEntry(f, 1, [](std::string& b, size_t local, size_t central) {
                 put16(b, local + kLocalMethod, 6);
                 put16(b, central + kCentralMethod, 6);
             });
         },
         ExtractStatus::UnsupportedMethod, true},
        {"more than 4 GiB declared",
         [](const fs::path& f) {
             writeZip(f, {kHonest, {"big1.bin", text(100), false, false}, {"big2.bin", text(100), false, false}});
             for (size_t entry : {1, 2})
                 patchEntry(f, entry, [](std::string& b, size_t local, size_t central) {
                     put32(b, local + kLocalSize, 0xF0000000u);
                     put32(b, central + kCentralSize, 0xF0000000u);
                 });
         },
         ExtractStatus::TooLarge, true},
        // Deflated data that inflates far beyond the size the headers declare.
        {"inflates past declared size",
         [](const fs::path& f) {
             writeZip(f, {kHonest, {"bomb.txt", std::string(2'000'000, 'z')}});
             patchEntry(f, 1, [](std::string& b, size_t local, size_t central) {
                 put32(b, local + kLocalSize, 1000);
                 put32(b, central + kCentralSize, 1000);
             });
         },
         ExtractStatus::SizeExceeded, false},
        // Stored data longer than the size declared for it.
        {"stored past declared size",
         [](const fs::path& f) {
             writeZip(f, {kHonest, {"long.txt", text(5000), false, false}});
             patchEntry(f, 1, [](std::string& b, size_t local, size_t central) {
                 put32(b, local + kLocalSize, 100);
                 put32(b, central + kCentralSize, 100);
             });
         },
         ExtractStatus::SizeExceeded, false},
        // Both sizes shortened: only the declared bytes are read, and they fail the CRC.
        {"stored sizes shortened",
         [](const fs::path& f) {
             writeZip(f, {kHonest, {"long.txt", text(5000), false, false}});
             patchEntry(f, 1, [](std::string& b, size_t local, size_t central) {
                 put32(b, local + kLocalCompSize, 100);
                 put32(b, local + kLocalSize, 100);
                 put32(b, central + kCentralCompSize, 100);
                 put32(b, central + kCentralSize, 100);
             });
         },
         ExtractStatus::CorruptData, false},
        {"crc error",
         [](const fs::path& f) {
             writeZip(f, {kHonest, {"flip.txt", text(5000), false, false}});
             std::string b = readBytes(f);
             const size_t local = findRecords(b, "PK\3\4")[1];
             const size_t data = local + 30 + get16(b, local + 26) + get16(b, local + 28);
             b[data + 2000] ^= 0x20;  // a byte in the middle of the stored data
             writeBytes(f, b);
         },
         ExtractStatus::CorruptData, false},
        {"corrupt deflate stream",
         [](const fs::path& f) {
             writeZip(f, {kHonest, {"garbled.txt", text(50000)}});
             std::string b = readBytes(f);
             const size_t local = findRecords(b, "PK\3\4")[1];
             const size_t data = local + 30 + get16(b, local + 26) + get16(b, local + 28);
             for (size_t i = 0; i < 64; ++i) b[data + 10 + i] = static_cast<char>(0xFF);
             writeBytes(f, b);
         },
         ExtractStatus::CorruptData, false},
    };
    const std::pair<const char*, zip_uint16_t> methods[] = {{"AES-256", ZIP_EM_AES_256},
                                                           {"traditional PKWARE", ZIP_EM_TRAD_PKWARE}};
    for (const auto& [label, method] : methods) {
        if (!zip_encryption_method_supported(method, 1)) continue;
        cases.push_back({label,
                         [method](const fs::path& f) {
                             Entry secret{"secret.txt", text(500)};
                             secret.encryption = method;
                             writeZip(f, {kHonest, secret});
                         },
                         ExtractStatus::Encrypted, true});
    }
    return cases;
}

}  // namespace

TEST_F(ZipExtractorTest, HostileArchivesNeverWriteOutsideTheBookFolder) {
    for (const HostileCase& c : hostileCases(root_)) {
        SCOPED_TRACE(c.label);
        const fs::path file = archive(std::string(c.label) + ".zip");
        c.make(file);
        if (HasFatalFailure()) return;
        std::error_code ec;
        fs::remove_all(base_, ec);
        const auto before = listTree(root_, base_);

        ZipExtractor z;
        ASSERT_EQ(z.open(file.string()), OpenStatus::Ok);
        const ExtractResult r = z.extractAll(base());
        EXPECT_EQ(r.status, c.expected) << r.entryName << ' ' << r.detail;
        EXPECT_FALSE(r.ok());
        EXPECT_EQ(listTree(root_, base_), before);
        if (c.refusedBeforeWriting) {
            EXPECT_FALSE(fs::exists(base_));
            EXPECT_EQ(r.filesWritten, 0u);
        } else {
            // What came before the bad entry stays; the bad entry leaves no
            // partial file and never a link.
            EXPECT_EQ(readBytes(base_ / "ok.txt"), "onesto");
            EXPECT_EQ(r.filesWritten, 1u);
            for (const auto& [path, kind] : listTree(base_, {}))
                EXPECT_TRUE(path == "ok.txt" || kind == "dir") << path << ' ' << kind;
        }
    }
}

TEST_F(ZipExtractorTest, EveryPrefixOfAnArchiveIsHandledWithoutWritingOutside) {
    writeZip(archive("whole.epub"), {{"mimetype", "application/epub+zip", false, false},
                                     {"OEBPS/a.xhtml", text(300)},
                                     {"OEBPS/b.xhtml", text(200, 'q'), false, false}});
    const std::string whole = readBytes(archive("whole.epub"));
    const auto before = listTree(root_, base_);
    for (size_t size = 0; size < whole.size(); ++size) {
        writeBytes(archive("prefix.epub"), whole.substr(0, size));
        ZipExtractor z;
        if (z.open(archive("prefix.epub").string()) == OpenStatus::Ok) z.extractAll(base());
    }
    auto after = listTree(root_, base_);
    after.erase("archives/prefix.epub");
    EXPECT_EQ(after, before);
}
