#include "platform/fileurl.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct Case {
    std::string input;
    std::string expected;
};

TEST(FileUrl, PercentDecodeTurnsEscapesIntoBytesAndKeepsBrokenOnes) {
    const Case cases[] = {
        {"Text/ch1.xhtml", "Text/ch1.xhtml"},
        {"Text/ch%201.xhtml", "Text/ch 1.xhtml"},
        {"citt%C3%A0.xhtml", "citt\xC3\xA0.xhtml"},
        {"a%2fb%2Fc", "a/b/c"},
        {"%25", "%"},
        {"%2520", "%20"},
        {"100%", "100%"},
        {"%4", "%4"},
        {"%zz.html", "%zz.html"},
        {"%G0", "%G0"},
        {"%%41", "%A"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(fileurl::percentDecode(c.input), c.expected) << c.input;
}

TEST(FileUrl, PercentEncodeKeepsOnlyUnreservedCharactersAndSlashes) {
    const Case cases[] = {
        {"/home/u/Libri/Libro.epub/OEBPS/", "/home/u/Libri/Libro.epub/OEBPS/"},
        {"/a b/", "/a%20b/"},
        {"/a#b/c%d/", "/a%23b/c%25d/"},
        {"/citt\xC3\xA0/", "/citt%C3%A0/"},
        {"/x?y&z=1\"'<>\\", "/x%3Fy%26z%3D1%22%27%3C%3E%5C"},
        {"-._~AZaz09", "-._~AZaz09"},
        {std::string("/\x01\x7F\xFF", 4), "/%01%7F%FF"},
    };
    for (const Case& c : cases) EXPECT_EQ(fileurl::percentEncodePath(c.input), c.expected) << c.input;
}

TEST(FileUrl, EncodedPathDecodesBackToThePath) {
    const std::string path = "/tmp/Libri 100% #1/L\xC3\xA8ggere.epub/OEBPS/";
    EXPECT_EQ(fileurl::percentDecode(fileurl::percentEncodePath(path)), path);
}

TEST(FileUrl, FileUrlOfAbsoluteAndRelativePaths) {
    EXPECT_EQ(fileurl::fileUrlFromPath("/tmp/a b/c.xhtml"), "file:///tmp/a%20b/c.xhtml");
    EXPECT_EQ(fileurl::fileUrlFromPath("/tmp/dir/"), "file:///tmp/dir/");
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(fileurl::fileUrlFromPath("rel/x.html"),
              "file://" + fileurl::percentEncodePath(cwd + "/rel/x.html"));
}

}  // namespace
