#include "viewer/stylesheet.h"

#include "platform/fileio.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;
using chapterprep::TextEncoding;

namespace {

TEST(StyleSheet, TextByZoomAndScheme) {
    struct Case {
        int zoom;
        int color;
        std::string expected;
    };
    const Case cases[] = {
        {120, 1,
         "body { background-color:#000000; color:#FFFFFF; font-size:120%;} "
         "a:link{color:yellow;} a:visited{color:red;}"},
        {66, 0, "body { background-color:#FFFFFF; color:#000000; font-size:66%;} "},
        {50, 0, "body { background-color:#FFFFFF; color:#000000; font-size:50%;} "},
        {300, 2, "body { background-color:#FBF0D9; color:#000000; font-size:300%;} "},
        {100, 3, "body { background-color:#FFFFFF; color:#000000; font-size:100%;} "},
        {100, -1, "body { background-color:#FFFFFF; color:#000000; font-size:100%;} "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(stylesheet::styleSheetText(c.zoom, c.color), c.expected)
            << c.zoom << " " << c.color;
    EXPECT_EQ(stylesheet::styleSheetText(120, 1).size(), 108u);
    EXPECT_EQ(stylesheet::styleSheetText(66, 0).size(), 64u);
}

TEST(StyleSheet, PathIsInTheFirstChapterFolder) {
    EXPECT_EQ(stylesheet::styleSheetPath("/b/OEBPS/", "Text/chapter1.xhtml"),
              "/b/OEBPS/Text/ravelund.css");
    EXPECT_EQ(stylesheet::styleSheetPath("/b/OEBPS/", "c.xhtml"), "/b/OEBPS/ravelund.css");
    EXPECT_EQ(stylesheet::styleSheetPath("/b/OEBPS/", "Testo%20uno/c.xhtml"),
              "/b/OEBPS/Testo uno/ravelund.css");
}

class StyleSheetFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = ::testing::TempDir() + "stylesheet_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root_ = tmpl;
        package_ = root_ + "/OEBPS/";
        fs::create_directories(fileio::toPath(package_ + "Text"));
    }
    void TearDown() override { fs::remove_all(fileio::toPath(root_)); }

    std::string get(const std::string& relative) {
        return fileio::readWholeFile(fileio::toPath(package_ + relative));
    }

    std::string root_;
    std::string package_;
};

TEST_F(StyleSheetFiles, WrittenIntoTheFirstChapterFolderOnly) {
    const std::vector<std::string> spine = {"Text/chapter1.xhtml", "other.xhtml"};
    ASSERT_TRUE(stylesheet::writeStyleSheet(package_, spine, 66, 0));
    EXPECT_EQ(get("Text/ravelund.css"),
              "body { background-color:#FFFFFF; color:#000000; font-size:66%;} ");
    EXPECT_FALSE(fs::exists(fileio::toPath(package_ + "ravelund.css")));
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(fileio::toPath(package_ + "Text")))
        names.insert(e.path().filename().string());
    EXPECT_EQ(names, std::set<std::string>{"ravelund.css"});
}

TEST_F(StyleSheetFiles, RewritingReplacesTheWholeFile) {
    const std::vector<std::string> spine = {"c.xhtml"};
    ASSERT_TRUE(stylesheet::writeStyleSheet(package_, spine, 120, 1));
    const std::string black = get("ravelund.css");
    EXPECT_EQ(black, stylesheet::styleSheetText(120, 1));
    ASSERT_TRUE(stylesheet::writeStyleSheet(package_, spine, 120, 1));
    EXPECT_EQ(get("ravelund.css"), black);
    ASSERT_TRUE(stylesheet::writeStyleSheet(package_, spine, 80, 2));
    EXPECT_EQ(get("ravelund.css"),
              "body { background-color:#FBF0D9; color:#000000; font-size:80%;} ");
}

TEST_F(StyleSheetFiles, StoredInTheEncodingOfTheLastPreparedChapter) {
    const std::vector<std::string> spine = {"c.xhtml"};
    const std::string text = stylesheet::styleSheetText(100, 0);
    std::string utf16le = "\xFF\xFE";
    std::string utf16be = "\xFE\xFF";
    for (const char c : text) {
        utf16le += c;
        utf16le += '\0';
        utf16be += '\0';
        utf16be += c;
    }
    const std::pair<TextEncoding, std::string> cases[] = {
        {TextEncoding::Ansi, text},
        {TextEncoding::Utf8, "\xEF\xBB\xBF" + text},
        {TextEncoding::Utf16LE, utf16le},
        {TextEncoding::Utf16BE, utf16be},
    };
    for (const auto& [encoding, expected] : cases) {
        ASSERT_TRUE(stylesheet::writeStyleSheet(package_, spine, 100, 0, encoding));
        EXPECT_EQ(get("ravelund.css"), expected) << static_cast<int>(encoding);
    }
}

TEST_F(StyleSheetFiles, EmptySpineWritesNothing) {
    EXPECT_FALSE(stylesheet::writeStyleSheet(package_, {}, 100, 0));
    EXPECT_FALSE(fs::exists(fileio::toPath(package_ + "ravelund.css")));
}

TEST_F(StyleSheetFiles, MissingFolderThrows) {
    EXPECT_THROW(stylesheet::writeStyleSheet(package_, {"Missing/c.xhtml"}, 100, 0),
                 fileio::FileError);
}

}  // namespace
