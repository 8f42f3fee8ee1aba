#include "epub/chapterprep.h"

#include "platform/fileio.h"
#include "platform/fileurl.h"
#include "platform/textconv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;
using chapterprep::TextEncoding;

namespace {

const std::string kMeta = "<meta charset=\"utf-8\" />";
const std::string kLink = "<link href=\"file:///b/ravelund.css\" rel=\"stylesheet\" type=\"text/css\"/>";

struct Case {
    const char* name;
    std::string input;
    std::string expected;
    TextEncoding encoding;
};

// UTF-16 bytes of an ASCII text, little- or big-endian.
std::string u16(std::string_view ascii, bool bigEndian) {
    std::string out;
    for (const char c : ascii) {
        if (bigEndian) out.push_back('\0');
        out.push_back(c);
        if (!bigEndian) out.push_back('\0');
    }
    return out;
}

TEST(ChapterPrep, LinkTextNamesTheStyleSheetInTheFolder) {
    EXPECT_EQ(chapterprep::linkText("file:///b/"), kLink);
    EXPECT_EQ(chapterprep::kMetaText.size(), 24u);
    EXPECT_EQ(chapterprep::kLinkStart.size(), 12u);
    EXPECT_EQ(chapterprep::kLinkEnd.size(), 48u);
}

TEST(ChapterPrep, PreparesBytesByTheRules) {
    const Case cases[] = {
        {"both insertions", "<html><head><title>t</title></head><body/></html>",
         "<html><head>" + kMeta + "<title>t</title>" + kLink + "</head><body/></html>",
         TextEncoding::Ansi},
        {"line feeds become CR LF", "<head>\n</head>\nx\n",
         "<head>" + kMeta + "\r\n" + kLink + "</head>\r\nx\r\n", TextEncoding::Ansi},
        {"lone CR and CR LF", "a\rb\r\nc\n\rd\r\re\r", "a\r\nb\r\nc\r\n\r\nd\r\n\r\ne\r\n",
         TextEncoding::Ansi},
        {"CR CR LF", "a\r\r\nb", "a\r\n\r\nb", TextEncoding::Ansi},
        {"head with attribute gets only the link",
         "<head profile=\"x\"><title/></head>", "<head profile=\"x\"><title/>" + kLink + "</head>",
         TextEncoding::Ansi},
        {"capital head gets only the link", "<HEAD></head>", "<HEAD>" + kLink + "</head>",
         TextEncoding::Ansi},
        {"capital end tag gets only the meta", "<head></HEAD>", "<head>" + kMeta + "</HEAD>",
         TextEncoding::Ansi},
        {"neither tag: line breaks only", "<html>\n<body/>\n</html>",
         "<html>\r\n<body/>\r\n</html>", TextEncoding::Ansi},
        {"only the first of each tag", "<head><head></head></head>",
         "<head>" + kMeta + "<head>" + kLink + "</head></head>", TextEncoding::Ansi},
        {"end tag before start tag", "</head><head>",
         kLink + "</head><head>" + kMeta, TextEncoding::Ansi},
        {"already prepared gets both again", "<head>" + kMeta + kLink + "</head>",
         "<head>" + kMeta + kMeta + kLink + kLink + "</head>", TextEncoding::Ansi},
        {"empty file", "", "", TextEncoding::Ansi},
        {"8-bit bytes kept", "<head>\xE8\x80\xFF</head>\n",
         "<head>" + kMeta + "\xE8\x80\xFF" + kLink + "</head>\r\n", TextEncoding::Ansi},
        {"UTF-8 mark kept", "\xEF\xBB\xBF<head></head>\n",
         "\xEF\xBB\xBF<head>" + kMeta + kLink + "</head>\r\n", TextEncoding::Utf8},
        {"UTF-8 mark with invalid bytes kept", "\xEF\xBB\xBF<head>\xC3\x28\xFF</head>",
         "\xEF\xBB\xBF<head>" + kMeta + "\xC3\x28\xFF" + kLink + "</head>", TextEncoding::Utf8},
        {"UTF-8 mark alone", "\xEF\xBB\xBF", "\xEF\xBB\xBF", TextEncoding::Utf8},
        {"UTF-16LE", "\xFF\xFE" + u16("<head></head>\n", false),
         "\xFF\xFE" + u16("<head>" + kMeta + kLink + "</head>\r\n", false), TextEncoding::Utf16LE},
        {"UTF-16BE", "\xFE\xFF" + u16("<head>\r</head>", true),
         "\xFE\xFF" + u16("<head>" + kMeta + "\r\n" + kLink + "</head>", true),
         TextEncoding::Utf16BE},
        {"UTF-16LE keeps non-ASCII units and a stray last byte",
         std::string("\xFF\xFE\xE0\x00\x3D\xD8\x0A\x00", 8) + "\x7F",
         std::string("\xFF\xFE\xE0\x00\x3D\xD8\x0D\x00\x0A\x00", 10) + "\x7F",
         TextEncoding::Utf16LE},
        {"UTF-16 byte that looks like CR is no line break",
         std::string("\xFF\xFE\x0D\x01", 4), std::string("\xFF\xFE\x0D\x01", 4),
         TextEncoding::Utf16LE},
        {"UTF-16LE mark alone", "\xFF\xFE", "\xFF\xFE", TextEncoding::Utf16LE},
        {"half a UTF-8 mark is ANSI", "\xEF\xBB<head>", "\xEF\xBB<head>" + kMeta,
         TextEncoding::Ansi},
    };
    for (const Case& c : cases) {
        TextEncoding found = TextEncoding::Ansi;
        EXPECT_EQ(chapterprep::prepareChapter(c.input, kLink, &found), c.expected) << c.name;
        EXPECT_EQ(found, c.encoding) << c.name;
    }
}

TEST(ChapterPrep, EveryByteValueSurvivesWithoutMark) {
    std::string input = "<head></head>";
    std::string expected = "<head>" + kMeta + kLink + "</head>";
    for (int b = 0; b < 256; ++b) {
        input.push_back(static_cast<char>(b));
        if (b == 0x0A || b == 0x0D)
            expected += "\r\n";  // 0x0D is followed by 0x0E here, so it is a lone CR
        else
            expected.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(chapterprep::prepareChapter(input, kLink), expected);
}

TEST(ChapterPrep, ValidUtf8WithoutMarkStaysValid) {
    const std::string input = "<head></head><p>Citt\xC3\xA0 \xE2\x80\x94 \xF0\x9F\x98\x80</p>\n";
    const std::string out = chapterprep::prepareChapter(input, chapterprep::linkText("file:///x%C3%A8/"));
    EXPECT_TRUE(text::isValidUtf8(out));
}

// A book folder of its own for each test, removed afterwards.
class ChapterPrepFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = ::testing::TempDir() + "chapterprep_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root_ = tmpl;
        package_ = root_ + "/Libro 100% #1 citt\xC3\xA0.epub/OEBPS/";
        fs::create_directories(fileio::toPath(package_ + "Text"));
    }
    void TearDown() override { fs::remove_all(fileio::toPath(root_)); }

    void put(const std::string& relative, std::string_view bytes) {
        fileio::writeWholeFileAtomic(fileio::toPath(package_ + relative), bytes);
    }
    std::string get(const std::string& relative) {
        return fileio::readWholeFile(fileio::toPath(package_ + relative));
    }
    bool has(const std::string& relative) {
        return fs::exists(fileio::toPath(package_ + relative));
    }
    std::string linkFor(const std::string& folderRelative) {
        return chapterprep::linkText(fileurl::fileUrlFromPath(package_ + folderRelative));
    }
    std::set<std::string> filesIn(const std::string& relative) {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(fileio::toPath(package_ + relative)))
            names.insert(fileio::fromPath(e.path().filename()));
        return names;
    }

    std::string root_;
    std::string package_;
};

TEST_F(ChapterPrepFiles, FirstOpeningPreparesEveryChapterOnceAndSecondChangesNothing) {
    put("Text/ch 1.xhtml", "<html><head>\n</head><body>1</body></html>\n");
    put("Text/ch2.xhtml", "\xEF\xBB\xBF<html><head></head><body>2</body></html>");
    put("title.xhtml", "<html><head></head></html>");
    const std::vector<std::string> spine = {"Text/ch%201.xhtml", "Text/ch2.xhtml", "title.xhtml"};
    TextEncoding last = TextEncoding::Ansi;

    ASSERT_TRUE(chapterprep::setUTF8(package_, spine, last).prepared);
    const std::string textLink = linkFor("Text/");
    EXPECT_EQ(get("Text/ch 1.xhtml"),
              "<html><head>" + kMeta + "\r\n" + textLink + "</head><body>1</body></html>\r\n");
    EXPECT_EQ(get("Text/ch2.xhtml"),
              "\xEF\xBB\xBF<html><head>" + kMeta + textLink + "</head><body>2</body></html>");
    // A chapter in another folder links to a style sheet in its own folder.
    EXPECT_EQ(get("title.xhtml"), "<html><head>" + kMeta + linkFor("") + "</head></html>");
    EXPECT_EQ(get("charset.ok"), "");
    EXPECT_EQ(last, TextEncoding::Ansi);
    // Atomic rewrites leave no temporary files behind.
    EXPECT_EQ(filesIn("Text"), (std::set<std::string>{"ch 1.xhtml", "ch2.xhtml"}));
    EXPECT_EQ(filesIn(""), (std::set<std::string>{"Text", "charset.ok", "title.xhtml"}));

    const std::string before1 = get("Text/ch 1.xhtml");
    const std::string before2 = get("Text/ch2.xhtml");
    EXPECT_FALSE(chapterprep::setUTF8(package_, spine, last).prepared);
    EXPECT_EQ(get("Text/ch 1.xhtml"), before1);
    EXPECT_EQ(get("Text/ch2.xhtml"), before2);
}

TEST_F(ChapterPrepFiles, LinkIsAUrlThatLeadsBackToTheChapterFolder) {
    put("Text/c.xhtml", "<head></head>");
    TextEncoding last = TextEncoding::Ansi;
    ASSERT_TRUE(chapterprep::setUTF8(package_, {"Text/c.xhtml"}, last).prepared);
    const std::string out = get("Text/c.xhtml");
    const size_t start = out.find("href=\"") + 6;
    const std::string url = out.substr(start, out.find('"', start) - start);
    ASSERT_TRUE(url.starts_with("file:///")) << url;
    for (const char c : url) {
        EXPECT_TRUE(static_cast<unsigned char>(c) < 0x80 && c != ' ' && c != '#') << url;
    }
    EXPECT_EQ(fileurl::percentDecode(url.substr(7)), package_ + "Text/ravelund.css");
}

TEST_F(ChapterPrepFiles, MarkerHoldsTheMarkOfTheLastChapterRead) {
    put("a.xhtml", "<head></head>");
    put("b.xhtml", "\xEF\xBB\xBF<head></head>");
    TextEncoding last = TextEncoding::Ansi;
    ASSERT_TRUE(chapterprep::setUTF8(package_, {"a.xhtml", "b.xhtml"}, last).prepared);
    EXPECT_EQ(last, TextEncoding::Utf8);
    EXPECT_EQ(get("charset.ok"), "\xEF\xBB\xBF");
}

TEST_F(ChapterPrepFiles, ChapterListedTwiceIsPreparedTwice) {
    put("a.xhtml", "<head></head>");
    TextEncoding last = TextEncoding::Ansi;
    ASSERT_TRUE(chapterprep::setUTF8(package_, {"a.xhtml", "a.xhtml"}, last).prepared);
    const std::string link = linkFor("");
    EXPECT_EQ(get("a.xhtml"), "<head>" + kMeta + kMeta + link + link + "</head>");
}

TEST_F(ChapterPrepFiles, EmptySpineGetsTheMarkerAtOnce) {
    TextEncoding last = TextEncoding::Utf16LE;  // from a book prepared earlier in the run
    ASSERT_TRUE(chapterprep::setUTF8(package_, {}, last).prepared);
    EXPECT_EQ(get("charset.ok"), "\xFF\xFE");
    EXPECT_FALSE(chapterprep::setUTF8(package_, {}, last).prepared);
}

TEST_F(ChapterPrepFiles, AMissingChapterIsReportedAndTheOthersArePrepared) {
    put("a.xhtml", "<head></head>");
    put("c.xhtml", "<head></head>");
    TextEncoding last = TextEncoding::Ansi;
    const chapterprep::Preparation done = chapterprep::setUTF8(package_, {"a.xhtml", "b.xhtml", "c.xhtml"}, last);
    EXPECT_TRUE(done.prepared);
    ASSERT_EQ(done.failures.size(), 1u);
    EXPECT_TRUE(done.failures[0].starts_with("Cannot open file \"" + package_ + "b.xhtml\"")) << done.failures[0];
    const std::string prepared = "<head>" + kMeta + linkFor("") + "</head>";
    EXPECT_EQ(get("a.xhtml"), prepared);
    EXPECT_EQ(get("c.xhtml"), prepared);
    // Marked as done, so the next opening inserts nothing a second time.
    EXPECT_TRUE(has("charset.ok"));
    EXPECT_FALSE(chapterprep::setUTF8(package_, {"a.xhtml", "b.xhtml", "c.xhtml"}, last).prepared);
    EXPECT_EQ(get("a.xhtml"), prepared);
}

TEST_F(ChapterPrepFiles, FragmentOfAnHrefIsNotPartOfTheFileName) {
    EXPECT_EQ(chapterprep::chapterFilePath("/b/", "Text/c%20d.xhtml#sec"), "/b/Text/c d.xhtml");
    EXPECT_EQ(chapterprep::chapterFolder("/b/", "Text/c%20d.xhtml#x/y"), "/b/Text/");
    EXPECT_EQ(chapterprep::chapterFolder("/b/", "c.xhtml"), "/b/");
    EXPECT_EQ(chapterprep::chapterFolder("/b/", "a%2Fc.xhtml"), "/b/a/");
}

}  // namespace

TEST(ChapterPrep, OnlyChaptersInsideTheBookAreTakenForPreparation) {
    const std::vector<std::string> hrefs = {"Text/c1.xhtml", "../Fuori/c2.xhtml", "../../x.xhtml",
                                            "%2E%2E/%2E%2E/y.xhtml", "/etc/z.xhtml", "Text/../c3.xhtml"};
    // "/etc/z.xhtml" is appended to the package folder, so it stays inside.
    EXPECT_EQ(chapterprep::hrefsInsideBook("/b/Libro.epub", "/b/Libro.epub/OEBPS/", hrefs),
              (std::vector<std::string>{"Text/c1.xhtml", "../Fuori/c2.xhtml", "/etc/z.xhtml", "Text/../c3.xhtml"}));
}
