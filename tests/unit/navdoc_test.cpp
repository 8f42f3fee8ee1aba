#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "epub/navdoc.h"
#include "epub/package.h"
#include "epub/toc.h"
#include "testfolder.h"

using namespace epub;

namespace {

std::vector<std::string> describe(const TMyIndexList& list) {
    std::vector<std::string> out;
    for (const TMyIndex& e : list)
        out.push_back(e.Value + "|" + std::to_string(e.Level) + "|" + e.Link + "|" + std::to_string(e.spineIndex));
    return out;
}

const std::string kContainer =
    "<?xml version=\"1.0\"?><container><rootfiles><rootfile full-path=\"OEBPS/content.opf\"/></rootfiles></container>";

std::string package(const std::string& extraItems) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\"><metadata/><manifest>\n"
           "<item id=\"c1\" href=\"Text/ch1.xhtml\" media-type=\"application/xhtml+xml\"/>\n"
           "<item id=\"c2\" href=\"Text/ch2.xhtml\" media-type=\"application/xhtml+xml\"/>\n"
           "<item id=\"c3\" href=\"Text/ch3.xhtml\" media-type=\"application/xhtml+xml\"/>\n" +
           extraItems +
           "</manifest><spine><itemref idref=\"c1\"/><itemref idref=\"c2\"/><itemref idref=\"c3\"/></spine></package>";
}

const std::string kNavItem =
    "<item id=\"nav\" href=\"Nav/nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"scripted nav\"/>\n";
const std::string kNcxItem = "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n";

// A navigation document in the subfolder Nav: three levels, a heading
// without link, a link with a fragment, a fourth level that makes no entry.
const std::string kNavDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\">\n"
    "<head><title>Indice</title></head><body>\n"
    "<nav epub:type=\"landmarks\"><ol><li><a epub:type=\"bodymatter\" href=\"../Text/ch2.xhtml\">Inizio</a></li></ol></nav>\n"
    "<nav epub:type=\"toc\" id=\"toc\"><h1>Indice</h1>\n"
    "<ol>\n"
    "  <li><a href=\"../Text/ch1.xhtml\">Capitol<i>o</i>  primo</a>\n"
    "    <ol>\n"
    "      <li><a href=\"../Text/ch1.xhtml#s1\">Sezione 1.1</a>\n"
    "        <ol><li><a href=\"../Text/ch1.xhtml#s1a\">Paragrafo &amp; nota</a>\n"
    "          <ol><li><a href=\"../Text/ch1.xhtml#deep\">Quarto livello</a></li></ol></li></ol>\n"
    "      </li>\n"
    "    </ol>\n"
    "  </li>\n"
    "  <li><span>Parte seconda</span>\n"
    "    <ol><li><a href=\"../Text/ch2.xhtml\">Capitolo secondo</a></li>\n"
    "        <li><a href=\"../Text/notes.xhtml\">Note</a></li></ol>\n"
    "  </li>\n"
    "  <li><a href=\"../Text/ch3.xhtml\">Citt\xC3\xA0</a></li>\n"
    "</ol></nav>\n"
    "<nav epub:type=\"toc\"><ol><li><a href=\"../Text/ch3.xhtml\">Seconda tavola</a></li></ol></nav>\n"
    "</body></html>\n";

// The same table of contents as an NCX file.
const std::string kNcxDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><ncx><navMap>"
    "<navPoint playOrder=\"1\"><navLabel><text>Capitolo primo</text></navLabel><content src=\"Text/ch1.xhtml\"/>"
    "<navPoint playOrder=\"2\"><navLabel><text>Sezione 1.1</text></navLabel><content src=\"Text/ch1.xhtml#s1\"/>"
    "<navPoint playOrder=\"3\"><navLabel><text>Paragrafo &amp; nota</text></navLabel><content src=\"Text/ch1.xhtml#s1a\"/>"
    "<navPoint playOrder=\"4\"><navLabel><text>Quarto livello</text></navLabel><content src=\"Text/ch1.xhtml#deep\"/>"
    "</navPoint></navPoint></navPoint></navPoint>"
    "<navPoint playOrder=\"5\"><navLabel><text>Parte seconda</text></navLabel>"
    "<navPoint playOrder=\"6\"><navLabel><text>Capitolo secondo</text></navLabel><content src=\"Text/ch2.xhtml\"/></navPoint>"
    "<navPoint playOrder=\"7\"><navLabel><text>Note</text></navLabel><content src=\"Text/notes.xhtml\"/></navPoint>"
    "</navPoint>"
    "<navPoint playOrder=\"8\"><navLabel><text>Citt\xC3\xA0</text></navLabel><content src=\"Text/ch3.xhtml\"/></navPoint>"
    "</navMap></ncx>";

struct Opened {
    FillIndexResult result;
    TMySpineList spine;
    TMyIndexList index;
    std::string epubfolderdoc;
};

Opened openBook(const std::string& extraItems, const std::string& nav, const std::string& ncx) {
    TestFolder dir;
    const std::string book = dir / "Libro.epub";
    writeFile(book + "/META-INF/container.xml", kContainer);
    writeFile(book + "/OEBPS/content.opf", package(extraItems));
    if (!nav.empty()) writeFile(book + "/OEBPS/Nav/nav.xhtml", nav);
    if (!ncx.empty()) writeFile(book + "/OEBPS/toc.ncx", ncx);
    Opened o;
    TXmlScanner scanner;
    o.result = FillIndex(book, scanner, o.spine, o.index, o.epubfolderdoc);
    EXPECT_EQ(o.epubfolderdoc, book + "/OEBPS/");
    return o;
}

}  // namespace

TEST(NavigationDocument, SameEntriesAsTheEquivalentNcxBook) {
    const Opened nav = openBook(kNavItem, kNavDocument, "");
    EXPECT_FALSE(nav.result.ncxFound);
    EXPECT_TRUE(nav.result.navRead);
    EXPECT_EQ(nav.result.error, "");
    const Opened ncx = openBook(kNcxItem, "", kNcxDocument);
    EXPECT_TRUE(ncx.result.ncxFound);
    EXPECT_FALSE(ncx.result.navRead);
    const std::vector<std::string> expected = {
        "Capitolo primo|1|Text/ch1.xhtml|0",      "Sezione 1.1|2|Text/ch1.xhtml#s1|0",
        "Paragrafo & nota|3|Text/ch1.xhtml#s1a|0", "Capitolo secondo|2|Text/ch2.xhtml|1",
        "Note|2|Text/notes.xhtml|-1",               "Citt\xC3\xA0|1|Text/ch3.xhtml|2"};
    EXPECT_EQ(describe(nav.index), expected);
    EXPECT_EQ(describe(ncx.index), expected);
    // The tree reads in document order: the entries after the heading hang
    // from the last level-1 entry before them, as with the NCX.
    EXPECT_EQ(indexViewParents(nav.index), indexViewParents(ncx.index));
    EXPECT_EQ(indexViewParents(nav.index), (std::vector<int>{kParentRoot, 0, 1, 0, 0, kParentRoot}));
    for (int i = 0; i < nav.index.Count(); ++i) EXPECT_EQ(nav.index.Get(i).Order, i + 1);
}

TEST(NavigationDocument, ABookWithBothKeepsItsNcx) {
    const Opened both = openBook(kNavItem + kNcxItem, kNavDocument,
                                 "<?xml version=\"1.0\"?><ncx><navMap><navPoint playOrder=\"1\"><navLabel><text>Da NCX"
                                 "</text></navLabel><content src=\"Text/ch2.xhtml\"/></navPoint></navMap></ncx>");
    EXPECT_TRUE(both.result.ncxFound);
    EXPECT_FALSE(both.result.navRead);
    EXPECT_EQ(describe(both.index), std::vector<std::string>{"Da NCX|1|Text/ch2.xhtml|1"});
}

TEST(NavigationDocument, MissingOrDamagedDocumentsGiveFewerEntries) {
    const Opened missing = openBook(kNavItem, "", "");
    EXPECT_TRUE(missing.result.navRead);
    EXPECT_EQ(missing.index.Count(), 0);
    EXPECT_EQ(missing.spine.Count(), 3);

    const Opened none = openBook("", "", "");
    EXPECT_FALSE(none.result.navRead);
    EXPECT_EQ(none.index.Count(), 0);

    for (size_t n = 0; n <= kNavDocument.size(); ++n) {
        TXmlParser parser;
        parser.LoadFromBuffer(kNavDocument.substr(0, n));
        TMyIndexList index;
        readNavigationDocument(parser, "Nav/nav.xhtml", missing.spine, index);
        ASSERT_LE(index.Count(), 6) << n;
        for (const TMyIndex& e : index) ASSERT_TRUE(e.Level >= 1 && e.Level <= 3) << n;
    }
}

TEST(NavigationDocument, ItemsAndLabels) {
    struct {
        std::string name, body;
        std::vector<std::string> expected;
    } cases[] = {
        {"no declaration: read as UTF-8",
         "<nav epub:type=\"toc\"><ol><li><a href=\"a.xhtml\">Citt\xC3\xA0</a></li></ol></nav>", {"Citt\xC3\xA0|1|a.xhtml|-1"}},
        {"a link without href makes no entry, its nested items stay",
         "<nav epub:type=\"toc\"><ol><li><a>Titolo</a><ol><li><a href=\"b.xhtml\">B</a></li></ol></li></ol></nav>",
         {"B|2|b.xhtml|-1"}},
        {"only the first link of an item",
         "<nav epub:type=\"toc\"><ol><li><a href=\"a.xhtml\">A</a> <a href=\"b.xhtml\">B</a></li></ol></nav>",
         {"A|1|a.xhtml|-1"}},
        {"links out of the book make no entry",
         "<nav epub:type=\"toc\"><ol><li><a href=\"https://example.org/\">Web</a></li><li><a href=\"c.xhtml\">C</a></li></ol></nav>",
         {"C|1|c.xhtml|-1"}},
        {"epub:type among other tokens, with another prefix",
         "<nav class=\"x\" ops:type=\"  toc  other\"><ol><li><a href=\"a.xhtml\">A</a></li></ol></nav>", {"A|1|a.xhtml|-1"}},
        {"a nav of another type only", "<nav epub:type=\"page-list\"><ol><li><a href=\"a.xhtml\">1</a></li></ol></nav>", {}},
        {"an item outside any list", "<nav epub:type=\"toc\"><li><a href=\"a.xhtml\">A</a></li></nav>", {}},
        {"empty label and empty-element link",
         "<nav epub:type=\"toc\"><ol><li><a href=\"a.xhtml\"><img src=\"x.png\"/></a></li><li><a href=\"b.xhtml\"/></li></ol></nav>",
         {"|1|a.xhtml|-1", "|1|b.xhtml|-1"}},
        {"an unclosed link ends with its item",
         "<nav epub:type=\"toc\"><ol><li><a href=\"a.xhtml\">A</li><li><a href=\"b.xhtml\">B</a></li></ol></nav>",
         {"A|1|a.xhtml|-1", "B|1|b.xhtml|-1"}},
    };
    for (const auto& c : cases) {
        TXmlParser parser;
        parser.LoadFromBuffer("<html><body>" + c.body + "</body></html>");
        TMyIndexList index;
        readNavigationDocument(parser, "nav.xhtml", TMySpineList(), index);
        EXPECT_EQ(describe(index), c.expected) << c.name;
    }
}

TEST(NavigationDocument, LinksRelativeToThePackageFolder) {
    struct {
        std::string navHref, href, expected;
    } cases[] = {
        {"nav.xhtml", "ch1.xhtml", "ch1.xhtml"},
        {"Text/nav.xhtml", "ch1.xhtml#s1", "Text/ch1.xhtml#s1"},
        {"Nav/nav.xhtml", "../Text/ch1.xhtml", "Text/ch1.xhtml"},
        {"Text/nav.xhtml", "./a/../b.xhtml", "Text/b.xhtml"},
        {"Text/nav.xhtml", "#toc", "Text/nav.xhtml#toc"},
        {"nav.xhtml", "../../up.xhtml", "../../up.xhtml"},
        {"Text/nav.xhtml", "ch%201.xhtml", "Text/ch%201.xhtml"},
        {"nav.xhtml", "Text//ch1.xhtml", "Text/ch1.xhtml"},
        {"nav.xhtml", "http://example.org/a.xhtml", ""},
        {"nav.xhtml", "mailto:a@b.it", ""},
        {"nav.xhtml", "/abs.xhtml", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(resolveNavHref(c.navHref, c.href), c.expected) << c.navHref << " " << c.href;
}
