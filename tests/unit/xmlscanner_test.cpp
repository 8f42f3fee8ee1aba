#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "epub/xmlscanner.h"
#include "platform/textconv.h"
#include "testfolder.h"

using namespace epub;

namespace {

const char* typeName(TPartType t) {
    switch (t) {
    case ptNone: return "None";
    case ptXmlProlog: return "Prolog";
    case ptComment: return "Comment";
    case ptPI: return "PI";
    case ptDtdc: return "Dtdc";
    case ptStartTag: return "Start";
    case ptEmptyTag: return "Empty";
    case ptEndTag: return "End";
    case ptContent: return "Content";
    case ptCData: return "CData";
    }
    return "?";
}

std::string attrsText(const TAttrList& a) {
    std::string s = "[";
    for (int i = 0; i < a.Count(); ++i) s += (i ? "," : "") + a.Name(i) + "=" + a.Value(i);
    return s + "]";
}

// One line per part, showing the fields the part type fills.
std::string describe(const TXmlParser& p) {
    const std::string t = typeName(p.CurPartType());
    switch (p.CurPartType()) {
    case ptXmlProlog: return t + " " + attrsText(p.CurAttr());
    case ptPI: return t + " " + p.CurName() + " {" + p.CurContent() + "} " + attrsText(p.CurAttr());
    case ptStartTag:
    case ptEmptyTag: return t + " " + p.CurName() + " " + attrsText(p.CurAttr());
    case ptEndTag: return t + " " + p.CurName();
    case ptContent:
    case ptCData: return t + " {" + p.CurContent() + "}";
    default: return t;
    }
}

std::vector<std::string> scanAll(TXmlParser& p) {
    std::vector<std::string> out;
    p.StartScan();
    while (p.Scan()) out.push_back(describe(p));
    return out;
}

std::vector<std::string> parts(const std::string& bytes, bool normalize = true) {
    TXmlParser p;
    p.LoadFromBuffer(bytes);
    p.Normalize = normalize;
    return scanAll(p);
}

struct Case {
    std::string name;
    std::string input;
    std::vector<std::string> expected;
};

void runCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(parts(c.input), c.expected) << c.name;
}

}  // namespace

TEST(XmlScanner, PartTypesInTheirOrderOfRules) {
    runCases({
        {"every kind of part",
         "<?xml version=\"1.0\"?><!-- nota --><?xml-stylesheet href=\"s.css\"?><!DOCTYPE x>"
         "<a b=\"1\"><br/>testo</a><![CDATA[ <grezzo> &amp; ]]>",
         {"Prolog [version=1.0]", "Comment", "PI xml-stylesheet {href=\"s.css\"} [href=s.css]", "Dtdc",
          "Start a [b=1]", "Empty br []", "Content {testo}", "End a", "CData { <grezzo> &amp; }"}},
        {"<?xml needs white space after it to be the declaration", "<?xmlfoo bar?>", {"PI xmlfoo {bar} [bar=]"}},
        {"<?xml at the very end is a processing instruction", "<?xml", {"PI xml {} []"}},
        {"a lone < is a tag with an empty name", "a<", {"Content {a}", "Start  []"}},
        {"unterminated comment runs to the end", "<a/><!-- x <b/>", {"Empty a []", "Comment"}},
        {"unterminated CDATA runs to the end", "<![CDATA[abc <d>", {"CData {abc <d>}"}},
        {"unterminated declaration", "<?xml version=\"1.0\"", {"Prolog [version=1.0]"}},
        {"unterminated tag value runs to the end", "<a b=\"x>y", {"Start a [b=x>y]"}},
        {"stray end tags are reported", "</x></y>", {"End x", "End y"}},
        {"end tags carry no attributes", "<a k=\"v\"></a k=\"w\">", {"Start a [k=v]", "End a"}},
        {"empty input", "", {}},
        {"the first zero byte ends the document", std::string("<a>x\0<b/></a>", 13), {"Start a []", "Content {x}"}},
        {"a doctype with an internal subset holding > and ] in literals",
         "<!DOCTYPE x [<!ENTITY e \"a>b]c\"><!-- ] > -->]><a>&e;</a>",
         {"Dtdc", "Start a []", "Content {a>b]c}", "End a"}},
    });
}

TEST(XmlScanner, NamesAreKeptWholeWithPrefixAndCase) {
    runCases({
        {"prefix", "<dc:title>T</dc:title>", {"Start dc:title []", "Content {T}", "End dc:title"}},
        {"case", "<DC:Title/>", {"Empty DC:Title []"}},
        {"name ends at white space, slash or >", "<a\tb=\"1\"/><c/d>", {"Empty a [b=1]", "Empty c []"}},
        {"names are bytes of Windows-1252, not decoded",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><\xC3\xA0 \xC3\xA8=\"\xC3\xA8\"/>",
         {"Prolog [encoding=UTF-8,version=1.0]", "Empty \xC3\x83\xC2\xA0 [\xC3\x83\xC2\xA8=\xC3\xA8]"}},
    });
}

TEST(XmlScanner, AttributesAreOrderedByName) {
    runCases({
        {"item attributes", "<item id=\"c1\" media-type=\"application/xhtml+xml\" href=\"c1.xhtml\"/>",
         {"Empty item [href=c1.xhtml,id=c1,media-type=application/xhtml+xml]"}},
        {"b before a", "<e b=\"2\" a=\"1\"/>", {"Empty e [a=1,b=2]"}},
        {"upper case sorts before lower case", "<e b=\"1\" B=\"2\" _=\"3\"/>", {"Empty e [B=2,_=3,b=1]"}},
        {"a bare name takes the next value", "<e b c='1'>", {"Start e [b=1]"}},
        {"a bare name before >", "<e b>", {"Start e [b=]"}},
        {"a name without quotes before >", "<e b=c>", {"Start e [b=]"}},
        {"duplicate: the one written later comes first", "<e a=\"1\" a=\"2\" a=\"3\"/>", {"Empty e [a=3,a=2,a=1]"}},
        {"quotes of the other kind and > inside a value", "<e a='x\">y' b=\"p'q\"/>", {"Empty e [a=x\">y,b=p'q]"}},
        {"a character that cannot begin a name ends the attributes", "<e a=\"1\" 9b=\"2\" c=\"3\">",
         {"Start e [a=1]"}},
        {"a slash ends them and makes the tag empty", "<e / b=\"x\">", {"Empty e []"}},
        {"a slash after a bare name is skipped with it", "<e b/>", {"Start e [b=]"}},
        {"names may begin with _ : and Latin letters", "<e _a=\"1\" :b=\"2\" \xC0=\"3\" \xD7=\"4\"/>",
         {"Start e [:b=2,_a=1,\xC3\x80=3]"}},
    });
}

TEST(XmlScanner, AttributeListAccess) {
    TAttrList a;
    a.Add("id", "x");
    a.Add("href", "h");
    a.Add("id", "y");
    a.Add("media-type", "m");
    ASSERT_EQ(a.Count(), 4);
    EXPECT_EQ(a.Name(0), "href");
    EXPECT_EQ(a.Value(1), "y");  // the one inserted later comes first
    EXPECT_EQ(a.Value(2), "x");
    EXPECT_EQ(a.Value("id"), "y");
    EXPECT_EQ(a.Value("media-type"), "m");
    EXPECT_EQ(a.Value("ID"), "");
    EXPECT_EQ(a.Value("missing"), "");
    EXPECT_EQ(a.Name(-1), "");
    EXPECT_EQ(a.Value(4), "");
    EXPECT_EQ(a.IndexOf("media-type"), 3);
    EXPECT_EQ(a.IndexOf("zz"), -1);
}

TEST(XmlScanner, AttributeOrderFollowsUtf16CodeUnits) {
    struct {
        std::string a, b;
        int expected;
    } cases[] = {
        {"a", "b", -1},
        {"a", "a", 0},
        {"ab", "a", 1},
        {"B", "a", -1},
        {"\xC3\xA0", "z", 1},
        // U+1F600 is a surrogate pair in UTF-16 and sorts before U+FF21.
        {"\xF0\x9F\x98\x80", "\xEF\xBC\xA1", -1},
        {"\xEF\xBC\xA1", "\xF0\x9F\x98\x80", 1},
        {"\xF0\x9F\x98\x80", "\xE2\x82\xAC", 1},  // but after U+20AC
        {"\xF0\x9F\x98\x81", "\xF0\x9F\x98\x80", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(compareUtf16Order(c.a, c.b), c.expected) << c.a << " " << c.b;
}

TEST(XmlScanner, TextNormalization) {
    runCases({
        {"trimmed and collapsed", "<a>  Capitolo\n\t primo  </a>", {"Start a []", "Content {Capitolo primo}", "End a"}},
        {"white space only is not reported", "<a>  \r\n\t </a>", {"Start a []", "End a"}},
        {"no-break space stays", "<a>\xC2\xA0x</a>", {"Start a []", "Content {\xC3\x82\xC2\xA0x}", "End a"}},
        {"text before the first tag", "  x  <a/>", {"Content {x}", "Empty a []"}},
    });
    EXPECT_EQ(parts("<a>  Capitolo\n primo </a>  <b/>", false),
              (std::vector<std::string>{"Start a []", "Content {  Capitolo\n primo }", "End a", "Content {  }",
                                        "Empty b []"}));
}

TEST(XmlScanner, ReferencesInText) {
    runCases({
        {"predefined and character references", "<a>&lt;&#65;&#x42;&amp;&gt;&apos;&quot;&#X43;</a>",
         {"Start a []", "Content {<AB&>'\"C}", "End a"}},
        {"unreadable hex gives a space", "<a>x&#xZZ;y</a>", {"Start a []", "Content {x y}", "End a"}},
        {"unreadable decimal gives a space", "<a>x&#1a;y&#;z&#x;w</a>", {"Start a []", "Content {x y z w}", "End a"}},
        {"undeclared name gives the bare name", "<a>x&nbsp;y</a>", {"Start a []", "Content {xnbspy}", "End a"}},
        {"beyond U+FFFF", "<a>&#x1F4D6;&#128214;</a>",
         {"Start a []", "Content {\xF0\x9F\x93\x96\xF0\x9F\x93\x96}", "End a"}},
        {"no valid code point gives U+FFFD", "<a>&#xD800;|&#x110000;|&#-1;|&#99999999999999999999;</a>",
         {"Start a []", "Content {\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBD}", "End a"}},
        {"a reference runs to the next ; across tags", "<p>A & B</p><q>x&amp;y</q>",
         {"Start p []", "Content {A B</p><q>x&ampy}", "End q"}},
        {"a & without any ; after it is dropped", "<a>x & y</a><b>&</b>",
         {"Start a []", "Content {x y}", "End a", "Start b []", "End b"}},
        {"character references are not decoded again", "<a>&#233;</a>", {"Start a []", "Content {\xC3\xA9}", "End a"}},
        {"references replaced before normalization", "<a>&#32;x&#10;&#9;y&#32;</a>",
         {"Start a []", "Content {x y}", "End a"}},
    });
}

TEST(XmlScanner, ReferencesInAttributeValues) {
    runCases({
        {"predefined and character references", "<e v=\"&lt;&#65;&#x42;&amp;&quot;\"/>", {"Empty e [v=<AB&\"]"}},
        {"undeclared name stays as written", "<e v=\"a&nbsp;b\"/>", {"Empty e [v=a&nbsp;b]"}},
        {"a & with no ; in the value stays", "<e v=\"a & b\" w=\"c;\"/>", {"Empty e [v=a & b,w=c;]"}},
        {"unreadable decimal gives a space", "<e v=\"a&#zz;b\"/>", {"Empty e [v=a b]"}},
        {"tabs and line breaks become spaces, nothing trimmed", "<e v=\" a\tb\nc\r\nd \"/>", {"Empty e [v= a b c  d ]"}},
        {"a reference producing a line feed becomes a space too", "<e v=\"a&#10;b\"/>", {"Empty e [v=a b]"}},
    });
    // Unreadable hexadecimal gives U+0000 in a value.
    const auto p = parts("<e v=\"a&#xZZ;b\"/>");
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0], std::string("Empty e [v=a\0b]", 15));
}

TEST(XmlScanner, DeclarationsOfTheInternalSubset) {
    const std::string dtd =
        "<!DOCTYPE x [\n"
        "  <!ENTITY cap \"Capitolo\">\n"
        "  <!ENTITY uno 'uno &#49; &cap;'>\n"
        "  <!ENTITY cap \"ignored: the first declaration binds\">\n"
        "  <!ENTITY % pe \"param\">\n"
        "  <!ENTITY ext SYSTEM \"ext.xml\">\n"
        "  <!ENTITY mark \"<b>&amp;</b>\">\n"
        "  <!ATTLIST item id ID #IMPLIED kind CDATA \"capitolo\" tok NMTOKENS \"  a   b \" fix CDATA #FIXED \"f\">\n"
        "  <!ATTLIST item kind CDATA \"ignored\">\n"
        "]>";
    runCases({
        {"entities in text", dtd + "<a>&uno; &pe; [&ext;]</a>",
         {"Dtdc", "Start a []", "Content {uno 1 Capitolo pe []}", "End a"}},
        {"markup in an entity's text stays text", dtd + "<a>&mark;</a>", {"Dtdc", "Start a []", "Content {<b>&</b>}", "End a"}},
        {"entities in attribute values", dtd + "<e v=\"&uno;|&pe;\"/>", {"Dtdc", "Empty e [v=uno 1 Capitolo|&pe;]"}},
        {"defaults added, tokenized values collapsed", dtd + "<item id=\"  c1   c2 \" other=\"  x  \"/>",
         {"Dtdc", "Empty item [fix=f,id=c1 c2,kind=capitolo,other=  x  ,tok=a b]"}},
        {"a value written in the tag wins over the default", dtd + "<item kind=\" mio \"></item>",
         {"Dtdc", "Start item [fix=f,kind= mio ,tok=a b]", "End item"}},
        {"declarations do not reach end tags or other elements", dtd + "<other/></item>",
         {"Dtdc", "Empty other []", "End item"}},
    });
}

TEST(XmlScanner, EntityExpansionIsBounded) {
    std::string laughs = "<!DOCTYPE x [<!ENTITY l0 \"lol\">";
    for (int i = 1; i <= 12; ++i)
        laughs += "<!ENTITY l" + std::to_string(i) + " \"" + std::string() +
                  [&] { std::string s; for (int k = 0; k < 10; ++k) s += "&l" + std::to_string(i - 1) + ";"; return s; }() + "\">";
    laughs += "<!ENTITY self \"x&self;\"><!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]>";
    std::string doc = laughs + "<a v=\"&l12;\">&l12;&self;&a;</a>";
    TXmlParser p;
    p.LoadFromBuffer(doc);
    size_t total = 0;
    std::string last;
    while (p.Scan()) {
        total += p.CurContent().size();
        for (int i = 0; i < p.CurAttr().Count(); ++i) total += p.CurAttr().Value(i).size();
        last = describe(p);
    }
    // The scan reaches the end; what the references give stops at the budget.
    EXPECT_EQ(last, "End a");
    EXPECT_LT(total, 2u << 20);
}

TEST(XmlScanner, ExternalDtdIsReadOnlyAsALocalFile) {
    TestFolder dir;
    writeFile(dir.path() / "dtd" / "local.dtd",
              "<?xml version=\"1.0\"?><!ENTITY ext \"Esterno\"><!ENTITY both \"from the file\">"
              "<!ATTLIST content kind CDATA \"capitolo\">");
    struct {
        std::string doctype;
        std::string expected;
    } cases[] = {
        {"<!DOCTYPE ncx SYSTEM \"dtd/local.dtd\">", "Esterno|from the file|capitolo"},
        {"<!DOCTYPE ncx PUBLIC \"-//X//DTD x//EN\" \"dtd/local.dtd\">", "Esterno|from the file|capitolo"},
        {"<!DOCTYPE ncx SYSTEM \"dtd/local.dtd\" [<!ENTITY both \"internal\">]>", "Esterno|internal|capitolo"},
        {"<!DOCTYPE ncx SYSTEM \"" + (dir.path() / "dtd" / "local.dtd").string() + "\">", "Esterno|from the file|capitolo"},
        {"<!DOCTYPE ncx SYSTEM \"missing.dtd\">", "ext|both|"},
        {"<!DOCTYPE ncx PUBLIC \"-//NISO//DTD ncx 2005-1//EN\" \"http://www.daisy.org/z3986/2005/ncx-2005-1.dtd\">",
         "ext|both|"},
        {"<!DOCTYPE ncx SYSTEM \"dtd\">", "ext|both|"},  // a folder is no DTD
    };
    for (const auto& c : cases) {
        writeFile(dir.path() / "doc.xml", c.doctype + "<a>&ext;|&both;|</a><content/>");
        TXmlParser p;
        ASSERT_TRUE(p.LoadFromFile((dir.path() / "doc.xml").string()));
        std::string text, kind;
        while (p.Scan()) {
            if (p.CurPartType() == ptContent) text = p.CurContent();
            if (p.CurPartType() == ptEmptyTag) kind = p.CurAttr().Value("kind");
        }
        EXPECT_EQ(text + kind, c.expected) << c.doctype;
    }
    // From memory without a folder only absolute identifiers are looked for.
    EXPECT_EQ(parts("<!DOCTYPE ncx SYSTEM \"dtd/local.dtd\"><a>&ext;</a>")[2], "Content {ext}");
}

TEST(XmlScanner, EncodingStateDecidesDecoding) {
    struct {
        std::string name, doc, expectedText, expectedEncoding;
    } cases[] = {
        {"no declaration, new scanner: Windows-1252", "<a>\xE0\x80</a>", "\xC3\xA0\xE2\x82\xAC", ""},
        {"UTF-8 declared", "<?xml version=\"1.0\" encoding=\"utf-8\"?><a>\xC3\xA0</a>", "\xC3\xA0", "UTF-8"},
        {"no encoding declared means UTF-8", "<?xml version=\"1.0\"?><a>\xC3\xA0</a>", "\xC3\xA0", "UTF-8"},
        {"UTF8 without hyphen is not UTF-8", "<?xml version=\"1.0\" encoding=\"UTF8\"?><a>\xC3\xA0</a>",
         "\xC3\x83\xC2\xA0", "UTF8"},
        {"other encodings read as Windows-1252", "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><a>\xE0</a>",
         "\xC3\xA0", "ISO-8859-1"},
        {"malformed UTF-8 becomes U+FFFD", "<?xml version=\"1.0\"?><a>x\xC3(\xFF</a>", "x\xEF\xBF\xBD(\xEF\xBF\xBD",
         "UTF-8"},
        {"the last declaration counts", "<?xml version=\"1.0\"?><?xml version=\"1.0\" encoding=\"cp1252\"?><a>\xE0</a>",
         "\xC3\xA0", "CP1252"},
        {"values are decoded too", "<?xml version=\"1.0\"?><a>\xC3\xA8</a>", "\xC3\xA8", "UTF-8"},
    };
    for (const auto& c : cases) {
        TXmlParser p;
        p.LoadFromBuffer(c.doc);
        std::string text;
        while (p.Scan())
            if (p.CurPartType() == ptContent) text = p.CurContent();
        EXPECT_EQ(text, c.expectedText) << c.name;
        EXPECT_EQ(p.CurEncoding(), c.expectedEncoding) << c.name;
    }
}

TEST(XmlScanner, EncodingIsKeptFromOneDocumentToTheNext) {
    TestFolder dir;
    struct {
        std::string name, first, second, expected;
    } cases[] = {
        {"after UTF-8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><x/>", "<a>\xC3\xA0</a>", "\xC3\xA0"},
        {"after Latin-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><x/>", "<a>\xC3\xA0</a>", "\xC3\x83\xC2\xA0"},
        {"after a document without declaration", "<x/>", "<a>\xC3\xA0</a>", "\xC3\x83\xC2\xA0"},
    };
    for (const auto& c : cases) {
        writeFile(dir.path() / "first.xml", c.first);
        writeFile(dir.path() / "second.xml", c.second);
        TXmlScanner scanner;
        std::string text;
        scanner.OnContent = [&](TXmlScanner&, const std::string& content) { text = content; };
        scanner.LoadFromFile((dir.path() / "first.xml").string());
        scanner.Execute();
        const std::string kept = scanner.CurEncoding();
        ASSERT_TRUE(scanner.LoadFromFile((dir.path() / "second.xml").string()));
        EXPECT_EQ(scanner.CurEncoding(), kept) << c.name;
        scanner.Execute();
        EXPECT_EQ(text, c.expected) << c.name;
    }
}

TEST(XmlScanner, ByteOrderMarkIsATextPart) {
    const std::string doc = "\xEF\xBB\xBF<?xml version=\"1.0\"?><a/>";
    EXPECT_EQ(parts(doc), (std::vector<std::string>{"Content {\xC3\xAF\xC2\xBB\xC2\xBF}", "Prolog [version=1.0]",
                                                    "Empty a []"}));
    // A scanner that has seen UTF-8 decodes the mark as U+FEFF.
    TXmlParser p;
    p.LoadFromBuffer("<?xml version=\"1.0\"?><x/>");
    while (p.Scan()) {
    }
    p.LoadFromBuffer(doc);
    ASSERT_TRUE(p.Scan());
    EXPECT_EQ(p.CurPartType(), ptContent);
    EXPECT_EQ(p.CurContent(), "\xEF\xBB\xBF");
}

// UTF-16 bytes of a UTF-8 text, with or without byte-order mark.
std::string utf16Bytes(const std::string& utf8, bool bigEndian, bool mark) {
    const std::string bytes = text::utf16ToBytes(text::utf8ToUtf16(utf8), bigEndian);
    return mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") + bytes : bytes;
}

TEST(XmlScanner, Utf16DocumentsAreReadAsTheirText) {
    // "Città" and a character outside the first plane, in a name's value too.
    const std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><t v=\"Citt\xC3\xA0\">"
                            "Citt\xC3\xA0 \xF0\x9D\x84\x9E</t>";
    const std::vector<std::string> expected = {"Prolog [encoding=UTF-16,version=1.0]",
                                               "Start t [v=Citt\xC3\xA0]", "Content {Citt\xC3\xA0 \xF0\x9D\x84\x9E}",
                                               "End t"};
    for (const bool bigEndian : {false, true})
        for (const bool mark : {true, false}) {
            SCOPED_TRACE(std::string(bigEndian ? "BE" : "LE") + (mark ? " with mark" : " without mark"));
            TXmlParser p;
            p.LoadFromBuffer(utf16Bytes(doc, bigEndian, mark));
            EXPECT_EQ(scanAll(p), expected);
            EXPECT_EQ(p.CurEncoding(), "UTF-8");
        }
    // No declaration: still UTF-8, even after a Latin-1 document; a stray
    // last byte and a lone surrogate cost one character, not the document.
    TXmlParser p;
    p.LoadFromBuffer("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><x/>");
    while (p.Scan()) {
    }
    std::string damaged = utf16Bytes("<a>\xC3\xA0</a>", false, true);
    damaged.insert(damaged.size() - 8, std::string("\x00\xD8", 2));
    p.LoadFromBuffer(damaged + "\x01");
    EXPECT_EQ(scanAll(p), (std::vector<std::string>{"Start a []", "Content {\xC3\xA0\xEF\xBF\xBD}", "End a"}));
    // A UTF-16 zero character ends the document as a zero byte does.
    p.LoadFromBuffer(utf16Bytes("<a/>", false, true) + std::string(2, '\0') + utf16Bytes("<b/>", false, false));
    EXPECT_EQ(scanAll(p), (std::vector<std::string>{"Empty a []"}));
}

TEST(XmlScanner, FieldsNotNamedForAPartKeepTheirValues) {
    TXmlParser p;
    p.LoadFromBuffer("<a k=\"v\">testo<!-- c --><!DOCTYPE d></a>");
    EXPECT_EQ(p.CurPartType(), ptNone);
    ASSERT_TRUE(p.Scan());
    ASSERT_TRUE(p.Scan());
    EXPECT_EQ(p.CurPartType(), ptContent);
    EXPECT_EQ(p.CurName(), "a");
    EXPECT_EQ(p.CurAttr().Value("k"), "v");
    ASSERT_TRUE(p.Scan());
    EXPECT_EQ(p.CurPartType(), ptComment);
    EXPECT_EQ(p.CurContent(), "testo");
    ASSERT_TRUE(p.Scan());
    EXPECT_EQ(p.CurPartType(), ptDtdc);
    EXPECT_EQ(p.CurName(), "");
    EXPECT_EQ(p.CurContent(), "");
    EXPECT_EQ(p.CurAttr().Value("k"), "v");
    ASSERT_TRUE(p.Scan());
    EXPECT_EQ(p.CurPartType(), ptEndTag);
    EXPECT_EQ(p.CurAttr().Count(), 0);
    EXPECT_FALSE(p.Scan());
    // StartScan rewinds and clears the current part.
    p.StartScan();
    EXPECT_EQ(p.CurPartType(), ptNone);
    EXPECT_EQ(p.CurName(), "");
    ASSERT_TRUE(p.Scan());
    EXPECT_EQ(p.CurName(), "a");
}

TEST(XmlScanner, MissingFileGivesAnEmptyDocument) {
    TestFolder dir;
    TXmlParser p;
    p.LoadFromBuffer("<a/>");
    EXPECT_FALSE(p.LoadFromFile(dir / "missing.xml"));
    EXPECT_FALSE(p.Scan());
    EXPECT_FALSE(p.LoadFromFile(dir.str()));  // a folder
    EXPECT_FALSE(p.Scan());
    writeFile(dir.path() / "doc.xml", "<a/>");
    EXPECT_TRUE(p.LoadFromFile(dir / "doc.xml"));
    EXPECT_TRUE(p.Scan());
    EXPECT_EQ(p.CurName(), "a");

    TXmlScanner s;
    int calls = 0;
    s.OnStartTag = s.OnEmptyTag = [&](TXmlScanner&, const std::string&, const TAttrList&) { ++calls; };
    EXPECT_FALSE(s.LoadFromFile(dir / "missing.xml"));
    s.Execute();
    EXPECT_EQ(calls, 0);
}

TEST(XmlScanner, EventFormCallsTheHandlerOfEachPart) {
    TXmlScanner s;
    std::vector<std::string> events;
    s.OnStartTag = [&](TXmlScanner&, const std::string& n, const TAttrList& a) { events.push_back("start " + n + attrsText(a)); };
    s.OnEmptyTag = [&](TXmlScanner&, const std::string& n, const TAttrList& a) { events.push_back("empty " + n + attrsText(a)); };
    s.OnEndTag = [&](TXmlScanner&, const std::string& n) { events.push_back("end " + n); };
    s.OnContent = [&](TXmlScanner&, const std::string& c) { events.push_back("text " + c); };
    s.LoadFromBuffer("<?xml version=\"1.0\"?><!DOCTYPE n><n:a x=\"1\"><!-- c --><b/>  uno  <![CDATA[dati]]></n:a>");
    s.Execute();
    const std::vector<std::string> expected = {"start n:a[x=1]", "empty b[]", "text uno", "end n:a"};
    EXPECT_EQ(events, expected);

    // The further handlers, and a second Execute from the start.
    std::vector<std::string> more;
    s.OnCData = [&](TXmlScanner&, const std::string& c) { more.push_back("cdata " + c); };
    s.OnComment = [&](TXmlScanner&) { more.push_back("comment"); };
    s.OnXmlProlog = [&](TXmlScanner&, const TAttrList& a) { more.push_back("prolog " + attrsText(a)); };
    s.OnDtdRead = [&](TXmlScanner&) { more.push_back("doctype"); };
    s.OnPI = [&](TXmlScanner&, const std::string& t, const std::string& c, const TAttrList&) { more.push_back("pi " + t + c); };
    events.clear();
    s.Execute();
    EXPECT_EQ(events, expected);
    EXPECT_EQ(more, (std::vector<std::string>{"prolog [version=1.0]", "doctype", "comment", "cdata dati"}));

    // StopExecute ends the pass after the current handler.
    events.clear();
    s.OnEmptyTag = [&](TXmlScanner& sender, const std::string& n, const TAttrList&) {
        events.push_back("empty " + n);
        sender.StopExecute();
    };
    s.Execute();
    EXPECT_EQ(events, (std::vector<std::string>{"start n:a[x=1]", "empty b"}));
}

TEST(XmlScanner, LoadingSwitchesNormalizationOn) {
    TXmlParser p;
    p.Normalize = false;
    p.LoadFromBuffer("<a> x </a>");
    EXPECT_TRUE(p.Normalize);
    TXmlScanner s;
    s.Normalize() = false;
    s.LoadFromBuffer("<a/>");
    EXPECT_TRUE(s.Normalize());
}

TEST(XmlScanner, ManyAmpersandsWithoutSemicolonScanInLinearTime) {
    // Each '&' looks for a ';' further on; the answer is shared, not searched again.
    std::string doc = "<a>";
    for (int i = 0; i < 200000; ++i) doc += "x&<b/>";
    TXmlParser p;
    p.LoadFromBuffer(doc);
    int n = 0;
    while (p.Scan()) ++n;
    EXPECT_EQ(n, 1 + 2 * 200000);
}

TEST(XmlScanner, LargeAttributeListsAndDeclarationsDoNotMultiply) {
    // Attributes written in descending order are sorted once, not shifted one by one.
    std::string tag = "<e";
    for (int i = 99999; i >= 0; --i) tag += " a" + std::to_string(i) + "=''";
    TXmlParser p;
    p.LoadFromBuffer(tag + " a5='dup'/>");
    ASSERT_TRUE(p.Scan());
    ASSERT_EQ(p.CurAttr().Count(), 100001);
    EXPECT_EQ(p.CurAttr().Name(0), "a0");
    EXPECT_EQ(p.CurAttr().Value("a5"), "dup");
    EXPECT_EQ(p.CurAttr().Name(99999), "a99998");
    EXPECT_EQ(p.CurAttr().Name(100000), "a99999");

    // Many declarations for an element met many times.
    std::string doc = "<!DOCTYPE x [<!ATTLIST e";
    for (int i = 0; i < 20000; ++i) doc += " d" + std::to_string(i) + " CDATA #IMPLIED";
    doc += " z CDATA \"def\">]>";
    for (int i = 0; i < 20000; ++i) doc += "<e/>";
    p.LoadFromBuffer(doc);
    ASSERT_TRUE(p.Scan());
    ASSERT_TRUE(p.Scan());
    EXPECT_EQ(p.CurAttr().Value("z"), "def");
    int tags = 1;
    while (p.Scan()) ++tags;
    EXPECT_EQ(tags, 20000);
}

namespace {

const std::string kSampleDocument =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE ncx PUBLIC \"-//NISO//DTD ncx 2005-1//EN\" \"ncx.dtd\" [\n"
    "  <!ENTITY cap \"Capitolo &#x31;\"> <!ATTLIST navPoint class NMTOKEN \"chapter\">\n"
    "]>\n"
    "<?xml-stylesheet type=\"text/css\" href=\"s.css\"?>\n"
    "<!-- commento -->\n"
    "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\">\n"
    "  <docTitle><text>Storia &amp; breve</text></docTitle>\n"
    "  <navMap>\n"
    "    <navPoint id=\"n1\" playOrder=\"1\"><navLabel><text>&cap; \xC3\xA0</text></navLabel>\n"
    "      <content src=\"Text/ch1.xhtml#s&#49;\"/>\n"
    "      <![CDATA[ grezzo ]]> &unknown; & x; &#xZZ;\n"
    "    </navPoint>\n"
    "  </navMap>\n"
    "</ncx>\n";

}  // namespace

TEST(XmlScanner, EveryPrefixOfADocumentScansSafely) {
    for (size_t n = 0; n <= kSampleDocument.size(); ++n) {
        // A copy of exactly n bytes, so that the sanitizers see any read past it.
        const std::string prefix = kSampleDocument.substr(0, n);
        for (const bool normalize : {true, false}) {
            TXmlParser p;
            p.LoadFromBuffer(prefix);
            p.Normalize = normalize;
            int guard = 0;
            while (p.Scan()) ASSERT_LT(++guard, 1000) << n;
        }
        TXmlScanner s;
        s.LoadFromBuffer(prefix);
        s.Execute();
    }
}

TEST(XmlScanner, DamagedDocumentsScanSafely) {
    std::mt19937 random(12345);
    static const char kAlphabet[] = "<>/!?[]-\"'=&;#xX:aZ \n\t\0\xC3\xEF\xF0";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
    for (int round = 0; round < 3000; ++round) {
        std::string doc = kSampleDocument;
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits; ++e) {
            const size_t at = random() % doc.size();
            switch (random() % 3) {
            case 0: doc[at] = alphabet[random() % alphabet.size()]; break;
            case 1: doc.erase(at, 1 + random() % 20); break;
            default: doc.insert(at, 1, alphabet[random() % alphabet.size()]); break;
            }
            if (doc.empty()) doc = "<";
        }
        TXmlParser p;
        p.LoadFromBuffer(doc);
        int guard = 0;
        while (p.Scan()) ASSERT_LT(++guard, 10000) << round;
    }
}
