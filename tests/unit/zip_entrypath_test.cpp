#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zip/extractor.h"

using zipextract::EntryPath;
using zipextract::parseEntryPath;

namespace {

struct SafeCase {
    const char* name;
    bool folder;
    std::vector<std::string> segments;
};

}  // namespace

TEST(ZipEntryPath, NamesInsideTheBookFolderBecomeFolderLevels) {
    const SafeCase cases[] = {
        {"mimetype", false, {"mimetype"}},
        {"META-INF/container.xml", false, {"META-INF", "container.xml"}},
        {"OEBPS/Text/ch1.xhtml", false, {"OEBPS", "Text", "ch1.xhtml"}},
        {"OEBPS\\Text\\ch1.xhtml", false, {"OEBPS", "Text", "ch1.xhtml"}},  // made on Windows
        {"OEBPS/Images/", true, {"OEBPS", "Images"}},
        {"OEBPS\\Images\\", true, {"OEBPS", "Images"}},
        {"./OEBPS/./a.xhtml", false, {"OEBPS", "a.xhtml"}},
        {"OEBPS//a.xhtml", false, {"OEBPS", "a.xhtml"}},
        {"./", true, {}},
        {"...", false, {"..."}},
        {"..a/b..", false, {"..a", "b.."}},
        {"ab:c/d", false, {"ab:c", "d"}},  // not a drive letter: two letters before the colon
        {"Citt\xC3\xA0/cap\xC3\xADtulo.xhtml", false, {"Citt\xC3\xA0", "cap\xC3\xADtulo.xhtml"}},
    };
    for (const SafeCase& c : cases) {
        const EntryPath p = parseEntryPath(c.name);
        EXPECT_TRUE(p.safe) << c.name;
        EXPECT_EQ(p.folder, c.folder) << c.name;
        EXPECT_EQ(p.segments, c.segments) << c.name;
    }
}

TEST(ZipEntryPath, NamesThatCouldLeaveTheBookFolderAreUnsafe) {
    const char* cases[] = {
        "",
        ".",
        "..",
        "../",
        "../evil.txt",
        "a/../b.txt",  // stays inside, but no honest archive needs it
        "a/../../evil.txt",
        "a/b/../../../evil.txt",
        "./../evil.txt",
        "..\\evil.txt",
        "a\\..\\..\\evil.txt",
        "a/..\\..\\evil.txt",
        "a/..",
        "/etc/evil",
        "/",
        "//server/share/evil",
        "\\evil.txt",
        "\\\\server\\share\\evil",
        "C:",
        "C:evil.txt",
        "C:/evil.txt",
        "c:\\Windows\\evil.txt",
        "z:..\\evil.txt",
    };
    for (const char* name : cases) {
        const EntryPath p = parseEntryPath(name);
        EXPECT_FALSE(p.safe) << '"' << name << '"';
    }
}
