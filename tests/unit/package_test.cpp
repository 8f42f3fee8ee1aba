#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "epub/package.h"
#include "epub/toc.h"
#include "testfolder.h"

using namespace epub;

namespace {

std::string container(const std::string& fullPath) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
           "  <rootfiles>\n"
           "    <rootfile full-path=\"" + fullPath + "\" media-type=\"application/oebps-package+xml\"/>\n"
           "  </rootfiles>\n"
           "</container>\n";
}

std::string package(const std::string& manifest, const std::string& spine, const std::string& metadata = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"2.0\" unique-identifier=\"id\">\n"
           "  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">" + metadata + "</metadata>\n"
           "  <manifest>\n" + manifest + "  </manifest>\n"
           "  <spine toc=\"ncx\">\n" + spine + "  </spine>\n"
           "</package>\n";
}

std::string item(const std::string& id, const std::string& href, const std::string& type = "application/xhtml+xml") {
    return "    <item id=\"" + id + "\" href=\"" + href + "\" media-type=\"" + type + "\"/>\n";
}

std::string itemref(const std::string& idref) { return "    <itemref idref=\"" + idref + "\"/>\n"; }

const std::string kNcxItem = item("ncx", "toc.ncx", "application/x-dtbncx+xml");
const std::string kEmptyNcx = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><ncx><navMap/></ncx>";

struct Book {
    TestFolder dir;
    std::string folder() const { return (dir.path() / "Libro.epub").string(); }
    void put(const std::string& relative, const std::string& bytes) const { writeFile(folder() + "/" + relative, bytes); }
};

struct Opened {
    FillIndexResult result;
    TMySpineList spine;
    TMyIndexList index;
    std::string epubfolderdoc = "stale folder of another book/";
};

Opened open(const Book& book) {
    Opened o;
    TXmlScanner scanner;
    o.result = FillIndex(book.folder(), scanner, o.spine, o.index, o.epubfolderdoc);
    return o;
}

std::vector<std::string> values(const TMySpineList& spine) {
    std::vector<std::string> v;
    for (const TMySpine& s : spine) v.push_back(s.Value);
    return v;
}

}  // namespace

TEST(PackageReader, PackageFolderFromFullPath) {
    struct {
        std::string fullPath, packageFolder;
    } cases[] = {
        {"OEBPS/content.opf", "/OEBPS/"},
        {"content.opf", "/"},
        {"OPS/pkg/book.opf", "/OPS/pkg/"},
    };
    for (const auto& c : cases) {
        Book book;
        book.put("META-INF/container.xml", container(c.fullPath));
        book.put(c.fullPath, package(item("c1", "ch1.xhtml") + kNcxItem, itemref("c1")));
        book.put(packageFolderOf(c.fullPath) + "toc.ncx", kEmptyNcx);
        EXPECT_EQ(packageDocumentPath(book.folder()), book.folder() + "/" + c.fullPath);
        std::string folderdoc;
        EXPECT_EQ(getTOCfile(book.folder() + "/" + c.fullPath, folderdoc), book.folder() + c.packageFolder + "toc.ncx");
        EXPECT_EQ(folderdoc, book.folder() + c.packageFolder) << c.fullPath;
        const Opened o = open(book);
        EXPECT_TRUE(o.result.ncxFound);
        EXPECT_EQ(o.result.error, "");
        EXPECT_EQ(o.epubfolderdoc, book.folder() + c.packageFolder) << c.fullPath;
        EXPECT_EQ(values(o.spine), std::vector<std::string>{"ch1.xhtml"});
    }
}

TEST(PackageReader, ContainerVariants) {
    const std::string opf = package(item("c1", "ch1.xhtml") + kNcxItem, itemref("c1"),
                                    "<dc:title>Titolo</dc:title><dc:creator>Autore</dc:creator>");
    struct {
        std::string name;
        std::string container;
        bool found;           // FillIndex finds the package
        std::string titleBy;  // title_and_creator's title
    } cases[] = {
        {"plain", container("OEBPS/content.opf"), true, "Titolo"},
        {"no XML declaration",
         "<container><rootfiles><rootfile full-path=\"OEBPS/content.opf\"/></rootfiles></container>", false, ""},
        {"two rootfile elements: the second counts",
         "<?xml version=\"1.0\"?><container><rootfiles><rootfile full-path=\"wrong.opf\"/>"
         "<rootfile full-path=\"OEBPS/content.opf\"/></rootfiles></container>", true, "Titolo"},
        {"prefixed rootfile",
         "<?xml version=\"1.0\"?><c:container><c:rootfile full-path=\"OEBPS/content.opf\"/></c:container>", true, "Titolo"},
        {"full-path on rootfiles is seen by the library side only",
         "<?xml version=\"1.0\"?><container><rootfiles full-path=\"OEBPS/content.opf\"/></container>", false, "Titolo"},
        {"no full-path", "<?xml version=\"1.0\"?><container><rootfile path=\"OEBPS/content.opf\"/></container>", false, ""},
        {"empty container", "", false, ""},
    };
    for (const auto& c : cases) {
        Book book;
        book.put("META-INF/container.xml", c.container);
        book.put("OEBPS/content.opf", opf);
        book.put("OEBPS/toc.ncx", kEmptyNcx);
        book.put("wrong.opf", package("", ""));
        const Opened o = open(book);
        EXPECT_EQ(o.result.ncxFound, c.found) << c.name;
        EXPECT_EQ(o.spine.Count(), c.found ? 1 : 0) << c.name;
        // The stale package folder of an earlier book never survives.
        EXPECT_EQ(o.epubfolderdoc, c.found ? book.folder() + "/OEBPS/" : "") << c.name;
        std::string title, creator;
        title_and_creator(book.folder(), title, creator);
        EXPECT_EQ(title, c.titleBy) << c.name;
    }
    Book missing;  // no container at all
    const Opened o = open(missing);
    EXPECT_FALSE(o.result.ncxFound);
    EXPECT_EQ(o.epubfolderdoc, "");
}

TEST(PackageReader, SpineFromManifest) {
    struct {
        std::string name, manifest, spine;
        std::vector<std::string> expected;
    } cases[] = {
        {"image item in the spine is passed over",
         item("c1", "Text/ch1.xhtml") + item("img", "Images/cover.svg", "image/svg+xml") + item("c3", "Text/ch3.xhtml"),
         itemref("c1") + itemref("img") + itemref("c3"), {"Text/ch1.xhtml", "Text/ch3.xhtml"}},
        {"percent signs stay", item("c1", "Text/ch%201.xhtml"), itemref("c1"), {"Text/ch%201.xhtml"}},
        {"case, dots and references as written", item("c1", "../Text/./CH1.xhtml?a=1&amp;b=2"), itemref("c1"),
         {"../Text/./CH1.xhtml?a=1&b=2"}},
        {"prefixed elements", "<opf:item id=\"c1\" href=\"a.xhtml\" media-type=\"application/xhtml+xml\"/>",
         "<opf:itemref idref=\"c1\"/>", {"a.xhtml"}},
        {"linear=no and repeated documents count",
         item("c1", "a.xhtml") + item("c2", "b.xhtml"),
         "<itemref idref=\"c2\" linear=\"no\"/>" + itemref("c1") + itemref("c2"), {"b.xhtml", "a.xhtml", "b.xhtml"}},
        {"unknown idref and itemref without idref", item("c1", "a.xhtml"),
         itemref("zz") + "<itemref id=\"c1\"/>" + itemref("c1"), {"a.xhtml"}},
        {"media type compared exactly", item("c1", "a.xhtml", "application/XHTML+xml") + item("c2", "b.html", "text/html"),
         itemref("c1") + itemref("c2"), {}},
        {"the first item of the right media type wins",
         item("c1", "pic.png", "image/png") + item("c1", "first.xhtml") + item("c1", "second.xhtml"), itemref("c1"),
         {"first.xhtml"}},
        {"a first match with an empty href hides later ones", item("c1", "") + item("c1", "later.xhtml"),
         itemref("c1"), {}},
        {"an item without href is no match", "<item id=\"c1\" media-type=\"application/xhtml+xml\"/>" + item("c1", "b.xhtml"),
         itemref("c1"), {"b.xhtml"}},
        {"attribute order does not matter",
         "<item href=\"z.xhtml\" media-type=\"application/xhtml+xml\" id=\"c1\"></item>", itemref("c1"), {"z.xhtml"}},
    };
    for (const auto& c : cases) {
        Book book;
        book.put("META-INF/container.xml", container("OEBPS/content.opf"));
        book.put("OEBPS/content.opf", package(c.manifest + kNcxItem, c.spine));
        book.put("OEBPS/toc.ncx", kEmptyNcx);
        const Opened o = open(book);
        EXPECT_EQ(values(o.spine), c.expected) << c.name;
    }
}

TEST(PackageReader, FindHrefForId) {
    TestFolder dir;
    const std::string opf = dir / "content.opf";
    writeFile(opf, package(item("img", "a.png", "image/png") + item("c1", "Text/ch1.xhtml") + item("c1", "dup.xhtml") +
                               item("c2", ""),
                           itemref("c1")));
    struct {
        std::string id, mediaType, expected;
    } cases[] = {
        {"c1", "application/xhtml+xml", "Text/ch1.xhtml"},
        {"img", "image/png", "a.png"},
        {"img", "application/xhtml+xml", ""},
        {"C1", "application/xhtml+xml", ""},
        {"c2", "application/xhtml+xml", ""},
        {"none", "application/xhtml+xml", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(findHref_forID(opf, c.id, c.mediaType), c.expected) << c.id;
    EXPECT_EQ(findHref_forID(dir / "missing.opf", "c1", kXhtmlMediaType), "");
}

TEST(PackageReader, NoNcxStillGivesThePackageFolder) {
    Book book;
    book.put("META-INF/container.xml", container("OEBPS/content.opf"));
    book.put("OEBPS/content.opf", package(item("c1", "ch1.xhtml") + item("nav", "nav.xhtml") , itemref("c1")));
    const Opened o = open(book);
    EXPECT_FALSE(o.result.ncxFound);
    EXPECT_EQ(o.epubfolderdoc, book.folder() + "/OEBPS/");
    EXPECT_EQ(values(o.spine), std::vector<std::string>{"ch1.xhtml"});
    EXPECT_EQ(o.index.Count(), 0);
    std::string folderdoc = "kept";
    EXPECT_EQ(getTOCfile(book.folder() + "/OEBPS/content.opf", folderdoc), "");
    EXPECT_EQ(folderdoc, "kept");
}

TEST(PackageReader, NcxFoundByMediaTypeWithItsHrefAsWritten) {
    Book book;
    book.put("META-INF/container.xml", container("OEBPS/content.opf"));
    book.put("OEBPS/content.opf",
             package(item("c1", "Text/ch1.xhtml") + item("toc", "Misc/toc%20.ncx", "application/x-dtbncx+xml") +
                         item("toc2", "other.ncx", "application/x-dtbncx+xml"),
                     itemref("c1")));
    book.put("OEBPS/Misc/toc%20.ncx",
             "<?xml version=\"1.0\"?><ncx><navMap><navPoint playOrder=\"1\"><navLabel><text>Uno</text></navLabel>"
             "<content src=\"../Text/ch1.xhtml\"/></navPoint></navMap></ncx>");
    std::string folderdoc;
    EXPECT_EQ(getTOCfile(book.folder() + "/OEBPS/content.opf", folderdoc), book.folder() + "/OEBPS/Misc/toc%20.ncx");
    const Opened o = open(book);
    EXPECT_TRUE(o.result.ncxFound);
    ASSERT_EQ(o.index.Count(), 1);
    EXPECT_EQ(o.index.Get(0).Value, "Uno");
    EXPECT_EQ(o.index.Get(0).Link, "../Text/ch1.xhtml");
    EXPECT_EQ(o.index.Get(0).spineIndex, kNoSpineIndex);  // the link is relative to the package folder, not the NCX
}

TEST(PackageReader, FillIndexReportsTheTableOfContentsError) {
    Book book;
    book.put("META-INF/container.xml", container("content.opf"));
    book.put("content.opf", package(item("c1", "ch1.xhtml") + kNcxItem, itemref("c1")));
    book.put("toc.ncx",
             "<?xml version=\"1.0\"?><ncx><navMap><navPoint playOrder=\"2\"><content src=\"ch1.xhtml\"/></navPoint>"
             "<navPoint playOrder=\"uno\"><content src=\"ch1.xhtml\"/></navPoint></navMap></ncx>");
    const Opened o = open(book);
    EXPECT_TRUE(o.result.ncxFound);
    EXPECT_EQ(o.result.error, "''uno'' is not a valid integer value");
    EXPECT_EQ(o.spine.Count(), 1);  // the spine is complete
    ASSERT_EQ(o.index.Count(), 1);
    EXPECT_EQ(o.index.Get(0).spineIndex, kNoSpineIndex);
}

TEST(PackageReader, TitleAndCreator) {
    struct {
        std::string name, metadata, title, creator;
    } cases[] = {
        {"normalized title", "<dc:title>  Storia  breve\n </dc:title><dc:creator>Anonimo</dc:creator>", "Storia breve",
         "Anonimo"},
        {"empty title element takes the next text",
         "<dc:title/><dc:creator>Anonimo</dc:creator>", "Anonimo", "(kept)"},
        {"creator before title", "<dc:creator>Autore</dc:creator><dc:title>Titolo</dc:title>", "Titolo", "(kept)"},
        {"another creator after the title", "<dc:creator>A</dc:creator><dc:title>T</dc:title><dc:creator>B</dc:creator>",
         "T", "B"},
        {"title without prefix", "<title>Titolo</title><creator>Autore</creator>", "(kept)", "(kept)"},
        {"references and CDATA", "<dc:title>Rosso &amp; nero</dc:title><dc:creator><![CDATA[ Stendhal ]]></dc:creator>",
         "Rosso & nero", " Stendhal "},
        {"UTF-8 letters", "<dc:title>Citt\xC3\xA0</dc:title>", "Citt\xC3\xA0", "(kept)"},
        {"opf:role and other attributes", "<dc:title id=\"t\">T</dc:title><dc:creator opf:role=\"aut\">C</dc:creator>",
         "T", "C"},
    };
    for (const auto& c : cases) {
        Book book;
        book.put("META-INF/container.xml", container("OEBPS/content.opf"));
        book.put("OEBPS/content.opf", package("", "", c.metadata));
        std::string title = "(kept)", creator = "(kept)";
        title_and_creator(book.folder(), title, creator);
        EXPECT_EQ(title, c.title) << c.name;
        EXPECT_EQ(creator, c.creator) << c.name;
    }
    // A package without declaration is read in Windows-1252.
    Book book;
    book.put("META-INF/container.xml", container("content.opf"));
    book.put("content.opf", "<package><metadata><dc:title>Citt\xE0</dc:title></metadata></package>");
    std::string title, creator;
    title_and_creator(book.folder(), title, creator);
    EXPECT_EQ(title, "Citt\xC3\xA0");
    EXPECT_EQ(creator, "");
}

TEST(PackageReader, SeekOperations) {
    TXmlParser p;
    p.LoadFromBuffer("<a><rootfiles/><dc:title>T</dc:title><opf:itemref x=\"1\"/><![CDATA[c]]><itemref/></a>");
    EXPECT_TRUE(seekElementContaining(p, "rootfile"));
    EXPECT_EQ(p.CurName(), "rootfiles");
    EXPECT_TRUE(seekElementContaining(p, ":title"));
    EXPECT_TRUE(seekText(p));
    EXPECT_EQ(p.CurContent(), "T");
    EXPECT_TRUE(seekElement(p, "itemref"));
    EXPECT_EQ(p.CurName(), "opf:itemref");
    EXPECT_TRUE(seekText(p));
    EXPECT_EQ(p.CurPartType(), ptCData);
    EXPECT_TRUE(seekElement(p, "itemref"));
    EXPECT_EQ(p.CurName(), "itemref");
    EXPECT_FALSE(seekElement(p, "itemref"));
    EXPECT_FALSE(seekDeclaration(p));
    p.LoadFromBuffer("<a/><?xml-stylesheet x?><?xml version=\"1.0\"?>");
    EXPECT_TRUE(seekDeclaration(p));
    EXPECT_EQ(p.CurAttr().Value("version"), "1.0");
    p.LoadFromBuffer("<Itemref/><item-ref/><x:y:itemref/>");
    EXPECT_FALSE(seekElement(p, "itemref"));  // local name after the first ':' only
}

// One pass over the manifest must give exactly what looking each itemref up
// in the whole document gives.
TEST(PackageReader, OnePassSpineEqualsPerItemLookup) {
    std::mt19937 random(2024);
    const std::string types[] = {"application/xhtml+xml", "image/png", "application/x-dtbncx+xml"};
    TestFolder dir;
    const std::string opf = dir / "content.opf";
    for (int round = 0; round < 60; ++round) {
        std::string manifest, spine, tail;
        std::vector<std::string> idrefs;
        const int items = 1 + static_cast<int>(random() % 30);
        for (int i = 0; i < items; ++i) {
            const std::string id = "i" + std::to_string(random() % 12);
            const std::string href = random() % 8 == 0 ? "" : "h" + std::to_string(i) + ".xhtml";
            std::string element = random() % 6 == 0 ? "<opf:item" : "<item";
            if (random() % 5 != 0) element += " href=\"" + href + "\"";
            element += " id=\"" + id + "\"";
            if (random() % 7 == 0) element += " id=\"i" + std::to_string(random() % 12) + "\"";
            element += " media-type=\"" + types[random() % 3] + "\"/>";
            (random() % 4 == 0 ? tail : manifest) += element;  // some items stand after the spine
        }
        const int refs = static_cast<int>(random() % 25);
        for (int i = 0; i < refs; ++i) {
            const std::string idref = "i" + std::to_string(random() % 14);
            spine += "<itemref idref=\"" + idref + "\"/>";
            idrefs.push_back(idref);
        }
        writeFile(opf, package(manifest, spine) + tail);
        TMySpineList onePass;
        readSpine(opf, onePass);
        std::vector<std::string> perItem;
        for (const std::string& idref : idrefs) {
            const std::string href = findHref_forID(opf, idref, kXhtmlMediaType);
            if (!href.empty()) perItem.push_back(href);
        }
        EXPECT_EQ(values(onePass), perItem) << round;
    }
}

TEST(PackageReader, DispatchesPendingEventsOncePerSpineEntry) {
    TestFolder dir;
    writeFile(dir / "content.opf", package(item("a", "a.xhtml") + item("b", "b.xhtml"),
                                           itemref("a") + itemref("x") + itemref("b") + itemref("a")));
    TMySpineList spine;
    int dispatched = 0;
    readSpine(dir / "content.opf", spine, [&] { ++dispatched; });
    EXPECT_EQ(spine.Count(), 3);
    EXPECT_EQ(dispatched, 3);
}

namespace {

std::string realSizedPackage(int chapters) {
    std::string manifest, spine, meta =
        "<dc:title>Il libro di prova</dc:title><dc:creator opf:role=\"aut\">Autrice Prova</dc:creator>"
        "<dc:language>it</dc:language><dc:identifier id=\"id\">urn:uuid:1234</dc:identifier>"
        "<meta name=\"cover\" content=\"cover\"/>";
    manifest += item("cover", "Images/cover.jpg", "image/jpeg") + item("css", "Styles/style.css", "text/css") + kNcxItem;
    for (int i = 1; i <= chapters; ++i) {
        manifest += item("ch" + std::to_string(i), "Text/chapter" + std::to_string(i) + ".xhtml");
        spine += itemref("ch" + std::to_string(i));
    }
    return package(manifest, spine, meta);
}

std::string realSizedNcx(int chapters) {
    std::string ncx =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE ncx PUBLIC \"-//NISO//DTD ncx 2005-1//EN\" \"http://www.daisy.org/z3986/2005/ncx-2005-1.dtd\">\n"
        "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\">\n"
        "<head><meta name=\"dtb:uid\" content=\"urn:uuid:1234\"/><meta name=\"dtb:depth\" content=\"2\"/></head>\n"
        "<docTitle><text>Il libro di prova</text></docTitle>\n<navMap>\n";
    int order = 0;
    for (int i = 1; i <= chapters; ++i) {
        const std::string n = std::to_string(i);
        ncx += "<navPoint id=\"np" + n + "\" playOrder=\"" + std::to_string(++order) + "\">\n"
               "  <navLabel><text>Capitolo " + n + " &amp; c.</text></navLabel>\n"
               "  <content src=\"Text/chapter" + n + ".xhtml\"/>\n";
        if (i % 3 == 0)
            ncx += "  <navPoint id=\"np" + n + "s\" playOrder=\"" + std::to_string(++order) + "\">"
                   "<navLabel><text>Sezione</text></navLabel><content src=\"Text/chapter" + n + ".xhtml#s1\"/></navPoint>\n";
        ncx += "</navPoint>\n";
    }
    return ncx + "</navMap>\n</ncx>\n";
}

}  // namespace

TEST(PackageReader, EveryPrefixOfThePackageAndNcxIsReadSafely) {
    const std::string opf = realSizedPackage(30);
    const std::string ncx = realSizedNcx(30);
    Book book;
    book.put("META-INF/container.xml", container("OEBPS/content.opf"));
    book.put("OEBPS/toc.ncx", ncx);
    book.put("OEBPS/content.opf", opf);
    const Opened whole = open(book);
    ASSERT_EQ(whole.spine.Count(), 30);
    ASSERT_EQ(whole.index.Count(), 40);
    std::string wholeTitle, wholeCreator;
    title_and_creator(book.folder(), wholeTitle, wholeCreator);
    EXPECT_EQ(wholeTitle + "|" + wholeCreator, "Il libro di prova|Autrice Prova");

    for (size_t n = 0; n <= opf.size(); ++n) {
        // A copy of exactly n bytes, so that the sanitizers see any read past it.
        const std::string prefix = opf.substr(0, n);
        TXmlParser parser;
        parser.LoadFromBuffer(prefix);
        TMySpineList spine;
        readSpine(parser, spine);
        ASSERT_LE(spine.Count(), 30) << n;
        // Only the last entry may differ: an idref cut short can name another item.
        for (int i = 0; i + 1 < spine.Count(); ++i) ASSERT_EQ(spine.Get(i).Value, whole.spine.Get(i).Value) << n;
        parser.LoadFromBuffer(prefix);
        std::string title, creator;
        readTitleAndCreator(parser, title, creator);
    }
    // The whole road from the container, for a sample of the prefixes.
    for (size_t n = 0; n <= opf.size(); n += 211) {
        book.put("OEBPS/content.opf", opf.substr(0, n));
        const Opened o = open(book);
        ASSERT_LE(o.spine.Count(), 30) << n;
        std::string title, creator;
        title_and_creator(book.folder(), title, creator);
    }

    TXmlScanner scanner;
    for (size_t n = 0; n <= ncx.size(); ++n) {
        TMyIndexList index;
        const std::string error = readTableOfContentsFromBuffer(scanner, ncx.substr(0, n), whole.spine, index);
        // A cut inside a play order can leave a value that is no integer.
        if (!error.empty()) {
            ASSERT_EQ(error.find("'' is not a valid integer value"), error.size() - 31) << n;
        }
        ASSERT_LE(index.Count(), 40) << n;
        for (const TMyIndex& e : index) ASSERT_TRUE(e.spineIndex >= kNoSpineIndex && e.spineIndex < 30) << n;
    }
}
