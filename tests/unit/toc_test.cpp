#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "epub/package.h"
#include "epub/toc.h"
#include "testfolder.h"

using namespace epub;

namespace {

std::string navPoint(const std::string& label, const std::string& order, const std::string& src,
                     const std::string& nested = "") {
    std::string s = "<navPoint id=\"n" + label + "\"";
    if (!order.empty()) s += " playOrder=\"" + order + "\"";
    s += "><navLabel><text>" + label + "</text></navLabel>";
    if (!src.empty()) s += "<content src=\"" + src + "\"/>";
    return s + nested + "</navPoint>";
}

std::string ncx(const std::string& navMap) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\">"
           "<head><meta name=\"dtb:depth\" content=\"3\"/></head>"
           "<docTitle><text>Titolo del libro</text></docTitle><docAuthor><text>Autore</text></docAuthor>"
           "<navMap>" + navMap + "</navMap>"
           "<pageList><pageTarget type=\"normal\" value=\"1\"><navLabel><text>1</text></navLabel>"
           "<content src=\"Text/ch1.xhtml#p1\"/></pageTarget></pageList></ncx>";
}

TMySpineList spineOf(const std::vector<std::string>& docs) {
    TMySpineList spine;
    for (const std::string& d : docs) spine.Add(TMySpine{d});
    return spine;
}

// "label level order spineIndex" per entry.
std::vector<std::string> describe(const TMyIndexList& list) {
    std::vector<std::string> out;
    for (const TMyIndex& e : list)
        out.push_back(e.Value + " " + std::to_string(e.Level) + " " + std::to_string(e.Order) + " " +
                      std::to_string(e.spineIndex) + " " + e.Link);
    return out;
}

struct Read {
    std::string error;
    TMyIndexList list;
};

Read read(const std::string& doc, const TMySpineList& spine = spineOf({"Text/ch1.xhtml", "Text/ch2.xhtml"})) {
    Read r;
    TXmlScanner scanner;
    r.error = readTableOfContentsFromBuffer(scanner, doc, spine, r.list);
    return r;
}

// The handlers alone, without the sort that follows them.
TMyIndexList unsorted(const std::string& doc) {
    TMyIndexList list;
    TXmlScanner scanner;
    TNcxReader reader(list);
    scanner.OnStartTag = [&](TXmlScanner& s, const std::string& n, const TAttrList& a) { reader.XmlScanner1StartTag(s, n, a); };
    scanner.OnEmptyTag = [&](TXmlScanner& s, const std::string& n, const TAttrList& a) { reader.XmlScanner1EmptyTag(s, n, a); };
    scanner.OnEndTag = [&](TXmlScanner& s, const std::string& n) { reader.XmlScanner1EndTag(s, n); };
    scanner.OnContent = [&](TXmlScanner& s, const std::string& c) { reader.XmlScanner1Content(s, c); };
    scanner.LoadFromBuffer(doc);
    scanner.Execute();
    return list;
}

std::vector<std::string> labels(const TMyIndexList& list) {
    std::vector<std::string> out;
    for (const TMyIndex& e : list) out.push_back(e.Value);
    return out;
}

const std::string kNested = ncx(
    navPoint("A", "1", "Text/ch1.xhtml",
             navPoint("A1", "2", "Text/ch1.xhtml#a1") +
                 navPoint("A2", "3", "Text/ch1.xhtml#a2", navPoint("A2a", "4", "Text/ch1.xhtml#a2a"))) +
    navPoint("B", "5", "Text/ch2.xhtml"));

}  // namespace

TEST(TableOfContents, NestedEntriesSortedByPlayOrder) {
    EXPECT_EQ(labels(unsorted(kNested)), (std::vector<std::string>{"A1", "A2a", "A2", "A", "B"}));
    const Read r = read(kNested);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(describe(r.list), (std::vector<std::string>{
                                    "A 1 1 0 Text/ch1.xhtml", "A1 2 2 0 Text/ch1.xhtml#a1", "A2 2 3 0 Text/ch1.xhtml#a2",
                                    "A2a 3 4 0 Text/ch1.xhtml#a2a", "B 1 5 1 Text/ch2.xhtml"}));
    EXPECT_EQ(indexViewParents(r.list), (std::vector<int>{kParentRoot, 0, 0, 2, kParentRoot}));
}

TEST(TableOfContents, EntriesFromNavPoints) {
    struct {
        std::string name, navMap;
        std::vector<std::string> expected;
    } cases[] = {
        {"fourth level makes no entry, nor anything inside it",
         navPoint("L1", "1", "Text/ch1.xhtml",
                  navPoint("L2", "2", "Text/ch1.xhtml#2",
                           navPoint("L3", "3", "Text/ch1.xhtml#3",
                                    navPoint("L4", "4", "Text/ch1.xhtml#4", navPoint("L5", "5", "Text/ch1.xhtml#5")) +
                                        "<navLabel><text>after L4</text></navLabel>"))) +
             navPoint("N", "6", "Text/ch2.xhtml"),
         {"L1 1 1 0 Text/ch1.xhtml", "L2 2 2 0 Text/ch1.xhtml#2", "after L4 3 3 0 Text/ch1.xhtml#3",
          "N 1 6 1 Text/ch2.xhtml"}},
        {"fragment cut for the spine index", navPoint("S", "1", "Text/ch1.xhtml#s2"), {"S 1 1 0 Text/ch1.xhtml#s2"}},
        {"spine paths compared with case", navPoint("C", "1", "text/CH1.xhtml"), {"C 1 1 -1 text/CH1.xhtml"}},
        {"link to no spine document", navPoint("X", "1", "Text/notes.xhtml"), {"X 1 1 -1 Text/notes.xhtml"}},
        {"prefixed navPoint",
         "<ncx:navPoint playOrder=\"7\"><ncx:navLabel><ncx:text>P</ncx:text></ncx:navLabel>"
         "<ncx:content src=\"Text/ch2.xhtml\"/></ncx:navPoint>",
         {"P 1 7 1 Text/ch2.xhtml"}},
        {"label of the second navLabel",
         "<navPoint playOrder=\"1\"><navLabel xml:lang=\"en\"><text>Chapter</text></navLabel>"
         "<navLabel xml:lang=\"it\"><text>Capitolo</text></navLabel><content src=\"Text/ch1.xhtml\"/></navPoint>",
         {"Capitolo 1 1 0 Text/ch1.xhtml"}},
        {"label only in CDATA",
         "<navPoint playOrder=\"1\"><navLabel><text><![CDATA[Nascosto]]></text></navLabel>"
         "<content src=\"Text/ch1.xhtml\"/></navPoint>",
         {" 1 1 0 Text/ch1.xhtml"}},
        {"no content element", navPoint("N", "1", "") + navPoint("Y", "2", "Text/ch2.xhtml"), {"Y 1 2 1 Text/ch2.xhtml"}},
        {"content with start and end tags is not seen",
         "<navPoint playOrder=\"1\"><navLabel><text>N</text></navLabel><content src=\"Text/ch1.xhtml\"></content></navPoint>",
         {}},
        {"nested entries of a navPoint without link keep their levels",
         navPoint("Part", "1", "", navPoint("Ch", "2", "Text/ch1.xhtml")), {"Ch 2 2 0 Text/ch1.xhtml"}},
        {"a later src replaces an earlier one",
         "<navPoint playOrder=\"1\"><content src=\"Text/ch1.xhtml\"/><content src=\"Text/ch2.xhtml\"/></navPoint>",
         {" 1 1 1 Text/ch2.xhtml"}},
        {"references and normalization in labels and links",
         "<navPoint playOrder=\"1\"><navLabel><text>  Uno &amp;\n due  </text></navLabel>"
         "<content src=\"Text/ch%201.xhtml#a&amp;b\"/></navPoint>",
         {"Uno & due 1 1 -1 Text/ch%201.xhtml#a&b"}},
        {"play order as a signed or hexadecimal integer",
         navPoint("H", "$10", "Text/ch1.xhtml") + navPoint("M", " -2", "Text/ch1.xhtml") +
             navPoint("D", "0x3", "Text/ch1.xhtml"),
         {"M 1 -2 0 Text/ch1.xhtml", "D 1 3 0 Text/ch1.xhtml", "H 1 16 0 Text/ch1.xhtml"}},
        {"equal play orders keep document order, parent first",
         navPoint("P", "1", "Text/ch1.xhtml", navPoint("Q", "1", "Text/ch1.xhtml#q")) + navPoint("R", "1", "Text/ch2.xhtml"),
         {"P 1 1 0 Text/ch1.xhtml", "Q 2 1 0 Text/ch1.xhtml#q", "R 1 1 1 Text/ch2.xhtml"}},
        {"a navPoint without playOrder keeps its level and follows the entry before it",
         navPoint("A", "1", "Text/ch1.xhtml", navPoint("A1", "", "Text/ch1.xhtml#x")) + navPoint("B", "2", "Text/ch2.xhtml") +
             navPoint("C", "", "Text/ch2.xhtml#c", navPoint("C1", "3", "Text/ch2.xhtml#c1")),
         {"A 1 1 0 Text/ch1.xhtml", "A1 2 1 0 Text/ch1.xhtml#x", "B 1 2 1 Text/ch2.xhtml", "C 1 2 1 Text/ch2.xhtml#c",
          "C1 2 3 1 Text/ch2.xhtml#c1"}},
        {"a stray end tag does not shift later levels",
         "</navPoint></navPoint>" + navPoint("A", "1", "Text/ch1.xhtml", navPoint("A1", "2", "Text/ch1.xhtml#1")),
         {"A 1 1 0 Text/ch1.xhtml", "A1 2 2 0 Text/ch1.xhtml#1"}},
        {"a navPoint closed twice is listed once",
         "<navPoint playOrder=\"1\"><navPoint playOrder=\"2\"><content src=\"Text/ch1.xhtml\"/></navPoint></navPoint>"
         "</navPoint>",
         {" 2 2 0 Text/ch1.xhtml"}},
        {"an empty-element navPoint is no navPoint",
         "<navPoint playOrder=\"1\"/>" + navPoint("A", "2", "Text/ch1.xhtml"), {"A 1 2 0 Text/ch1.xhtml"}},
        {"text outside the navPoints is ignored", "", {}},
    };
    for (const auto& c : cases) {
        const Read r = read(ncx(c.navMap));
        EXPECT_EQ(r.error, "") << c.name;
        EXPECT_EQ(describe(r.list), c.expected) << c.name;
    }
}

TEST(TableOfContents, SpineIndexOfTheLastMatchingSpineEntry) {
    const Read r = read(ncx(navPoint("A", "1", "a.xhtml#x") + navPoint("B", "2", "b.xhtml")),
                        spineOf({"a.xhtml", "b.xhtml", "a.xhtml"}));
    EXPECT_EQ(describe(r.list), (std::vector<std::string>{"A 1 1 2 a.xhtml#x", "B 1 2 1 b.xhtml"}));
}

TEST(TableOfContents, NonIntegerPlayOrderStopsTheReading) {
    struct {
        std::string value, message;
    } cases[] = {
        {"uno", "''uno'' is not a valid integer value"},
        {"", "'''' is not a valid integer value"},
        {"1.5", "''1.5'' is not a valid integer value"},
        {"2 ", "''2 '' is not a valid integer value"},
        {"2147483648", "''2147483648'' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        const std::string doc = ncx(navPoint("A", "2", "Text/ch2.xhtml", navPoint("A1", "1", "Text/ch1.xhtml")) +
                                    "<navPoint playOrder=\"" + c.value + "\"><content src=\"Text/ch2.xhtml\"/></navPoint>" +
                                    navPoint("C", "9", "Text/ch1.xhtml"));
        const Read r = read(doc);
        EXPECT_EQ(r.error, c.message) << c.value;
        // What was appended stays, unsorted, without spine indexes.
        EXPECT_EQ(describe(r.list), (std::vector<std::string>{"A1 2 1 -1 Text/ch1.xhtml", "A 1 2 -1 Text/ch2.xhtml"}))
            << c.value;
    }
    // A navPoint too deep to make an entry does not read its play order.
    const Read deep = read(ncx(navPoint("1", "1", "a", navPoint("2", "2", "a", navPoint("3", "3", "a", navPoint("4", "x", "a"))))));
    EXPECT_EQ(deep.error, "");
    EXPECT_EQ(deep.list.Count(), 3);
}

TEST(TableOfContents, PlayOrderIntegers) {
    struct {
        std::string text;
        bool ok;
        int value;
    } cases[] = {
        {"12", true, 12},        {"  7", true, 7},          {"+4", true, 4},        {"-3", true, -3},
        {"$1F", true, 31},       {"x10", true, 16},         {"X10", true, 16},      {"0x10", true, 16},
        {"-$10", true, -16},     {"$FFFFFFFF", true, -1},   {"007", true, 7},       {"2147483647", true, INT_MAX},
        {"-2147483648", true, INT_MIN},
        {"", false, 0},          {" ", false, 0},           {"12 ", false, 0},      {"1a", false, 0},
        {"$", false, 0},         {"0x", false, 0},          {"$1FFFFFFFF", false, 0}, {"2147483648", false, 0},
        {"-2147483649", false, 0}, {"\t1", false, 0},       {"1e3", false, 0},      {"--1", false, 0},
    };
    for (const auto& c : cases) {
        int value = 0;
        EXPECT_EQ(readPlayOrder(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(TableOfContents, EmptyOrMissingNcxGivesNoEntries) {
    EXPECT_EQ(read("").list.Count(), 0);
    EXPECT_EQ(read("<?xml version=\"1.0\"?><ncx><navMap/></ncx>").list.Count(), 0);
    TestFolder dir;
    TXmlScanner scanner;
    TMyIndexList list;
    EXPECT_EQ(readTableOfContents(scanner, dir / "missing.ncx", spineOf({}), list), "");
    EXPECT_EQ(list.Count(), 0);
}

TEST(TableOfContents, ReadingLeavesTheScannerWithoutHandlers) {
    TXmlScanner scanner;
    TMyIndexList list;
    readTableOfContentsFromBuffer(scanner, kNested, spineOf({}), list);
    EXPECT_FALSE(scanner.OnStartTag);
    EXPECT_FALSE(scanner.OnEmptyTag);
    EXPECT_FALSE(scanner.OnEndTag);
    EXPECT_FALSE(scanner.OnContent);
}

TEST(TableOfContents, EncodingCarriesOverBetweenBooks) {
    // The reading window keeps one scanner: an NCX without declaration is read
    // in the encoding of the last declaration it saw.
    const std::string utf8Ncx = ncx(navPoint("Citt\xC3\xA0", "1", "Text/ch1.xhtml"));
    const std::string bareNcx = "<ncx><navMap>" + navPoint("Citt\xC3\xA0", "1", "Text/ch1.xhtml") + "</navMap></ncx>";
    const std::string latinNcx = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><ncx/>";
    struct {
        std::string name, before, expected;
    } cases[] = {
        {"new scanner", "", "Citt\xC3\x83\xC2\xA0"},
        {"after a UTF-8 book", utf8Ncx, "Citt\xC3\xA0"},
        {"after a Latin-1 book", latinNcx, "Citt\xC3\x83\xC2\xA0"},
    };
    for (const auto& c : cases) {
        TXmlScanner scanner;
        TMyIndexList first, second;
        if (!c.before.empty()) readTableOfContentsFromBuffer(scanner, c.before, spineOf({}), first);
        readTableOfContentsFromBuffer(scanner, bareNcx, spineOf({}), second);
        ASSERT_EQ(second.Count(), 1) << c.name;
        EXPECT_EQ(second.Get(0).Value, c.expected) << c.name;
    }
}

TEST(TableOfContents, TreeParents) {
    struct {
        std::string name;
        std::vector<int> levels;
        std::vector<int> parents;
    } cases[] = {
        {"document shape", {1, 2, 2, 3, 1}, {kParentRoot, 0, 0, 2, kParentRoot}},
        {"level 2 before any level 1", {2, 3, 1, 2}, {kParentTopLevel, 0, kParentRoot, 2}},
        {"level 3 before any level 2", {1, 3, 2, 3}, {kParentRoot, kParentTopLevel, 0, 2}},
        {"latest level 2 not forgotten by a new level 1", {1, 2, 1, 3}, {kParentRoot, 0, kParentRoot, 1}},
        {"levels out of range", {0, 5, 2}, {kParentRoot, kParentTopLevel, 0}},
        {"empty", {}, {}},
    };
    for (const auto& c : cases) {
        TMyIndexList list;
        for (const int level : c.levels) {
            TMyIndex e;
            e.Level = level;
            list.Add(e);
        }
        EXPECT_EQ(indexViewParents(list), c.parents) << c.name;
    }
}

TEST(TableOfContents, ListAccess) {
    TMyIndexList list;
    list.Add(TMyIndex{"a", 1, "x", 1, 0, 1});
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Get(0).Value, "a");
    EXPECT_THROW(list.Get(1), std::out_of_range);
    EXPECT_THROW(list.Get(-1), std::out_of_range);
}
