// Writes the seed inputs of every fuzz target into the folder given as the
// argument, one subfolder per target: valid documents, data files made by
// the program's own encoders, and a small EPUB archive built with libzip.
#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "epub/chapterprep.h"
#include "fuzz_common.h"
#include "platform/textconv.h"
#include "shell/catalogue.h"
#include "viewer/readingposition.h"

namespace fs = std::filesystem;

namespace {

fs::path seeds;

void seed(const std::string& target, const std::string& name, const std::string& bytes) {
    const fs::path p = seeds / target / name;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "cannot write %s\n", p.c_str());
        std::exit(1);
    }
}

std::string join(const std::vector<std::string>& files) {
    std::string out;
    for (size_t i = 0; i < files.size(); ++i) {
        if (i) out += fuzzsupport::kFileSeparator;
        out += files[i];
    }
    return out;
}

const std::string kContainer =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
    "  <rootfiles>\n"
    "    <rootfile full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/>\n"
    "  </rootfiles>\n"
    "</container>\n";

std::string package(bool ncx, bool nav) {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"") +
           (nav ? "3.0" : "2.0") +
           "\" unique-identifier=\"id\">\n"
           "  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:opf=\"http://www.idpf.org/2007/opf\">\n"
           "    <dc:title>I promessi sposi</dc:title>\n"
           "    <dc:creator opf:role=\"aut\">Alessandro Manzoni</dc:creator>\n"
           "    <dc:language>it</dc:language>\n"
           "    <dc:identifier id=\"id\">urn:uuid:0a1b2c3d</dc:identifier>\n"
           "  </metadata>\n"
           "  <manifest>\n" +
           (ncx ? "    <item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n" : "") +
           (nav ? "    <item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>\n"
                : "") +
           "    <item id=\"c1\" href=\"Text/ch1.xhtml\" media-type=\"application/xhtml+xml\"/>\n"
           "    <item id=\"c2\" href=\"Text/ch%202.xhtml\" media-type=\"application/xhtml+xml\"/>\n"
           "    <item id=\"css\" href=\"Styles/style.css\" media-type=\"text/css\"/>\n"
           "  </manifest>\n"
           "  <spine" +
           (ncx ? " toc=\"ncx\"" : "") +
           ">\n"
           "    <itemref idref=\"c1\"/>\n"
           "    <opf:itemref idref=\"c2\" linear=\"no\"/>\n"
           "  </spine>\n"
           "</package>\n";
}

const std::string kNcx =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE ncx PUBLIC \"-//NISO//DTD ncx 2005-1//EN\" \"http://www.daisy.org/z3986/2005/ncx-2005-1.dtd\">\n"
    "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\">\n"
    "  <head><meta name=\"dtb:uid\" content=\"urn:uuid:0a1b2c3d\"/></head>\n"
    "  <docTitle><text>I promessi sposi</text></docTitle>\n"
    "  <navMap>\n"
    "    <navPoint id=\"n1\" playOrder=\"1\">\n"
    "      <navLabel><text>Capitolo primo</text></navLabel><content src=\"Text/ch1.xhtml\"/>\n"
    "      <navPoint id=\"n2\" playOrder=\"2\">\n"
    "        <navLabel><text>Quel ramo del lago di Como</text></navLabel><content src=\"Text/ch1.xhtml#s1\"/>\n"
    "        <navPoint id=\"n3\" playOrder=\"$3\">\n"
    "          <navLabel><text>Don Abbondio &amp; i bravi</text></navLabel><content src=\"Text/ch1.xhtml#s2\"/>\n"
    "        </navPoint>\n"
    "      </navPoint>\n"
    "    </navPoint>\n"
    "    <navPoint id=\"n4\" playOrder=\"4\">\n"
    "      <navLabel><text>Capitolo secondo</text></navLabel><content src=\"Text/ch%202.xhtml\"/>\n"
    "    </navPoint>\n"
    "  </navMap>\n"
    "</ncx>\n";

const std::string kNav =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE html>\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\">\n"
    "<head><title>Indice</title></head>\n"
    "<body>\n"
    "  <nav epub:type=\"toc\" id=\"toc\"><h1>Indice</h1>\n"
    "    <ol>\n"
    "      <li><a href=\"Text/ch1.xhtml\">Capitolo <i>primo</i></a>\n"
    "        <ol><li><a href=\"./Text/ch1.xhtml#s1\">Quel ramo</a>\n"
    "          <ol><li><a href=\"Text/../Text/ch1.xhtml#s2\">Don Abbondio</a></li></ol></li></ol>\n"
    "      </li>\n"
    "      <li><span>Parte seconda</span>\n"
    "        <ol><li><a href=\"Text/ch%202.xhtml\">Capitolo secondo</a></li>\n"
    "            <li><a href=\"http://example.invalid/\">Fuori dal libro</a></li></ol>\n"
    "      </li>\n"
    "    </ol>\n"
    "  </nav>\n"
    "  <nav epub:type=\"landmarks\"><ol><li><a epub:type=\"bodymatter\" href=\"Text/ch1.xhtml\">Inizio</a></li></ol></nav>\n"
    "</body>\n"
    "</html>\n";

const std::string kChapter =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE html>\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n"
    "<head>\n<title>Capitolo primo</title>\n</head>\n"
    "<body>\n<h1 id=\"s1\">Quel ramo del lago di Como</h1>\r\n<p>che volge a mezzogiorno&#8230;</p>\r"
    "<p id=\"s2\">Citt\xC3\xA0 e &quot;borghi&quot;.</p>\n</body>\n</html>\n";

// A document with an internal subset: entities, attribute defaults, an
// external DTD, a processing instruction, CDATA and a comment.
const std::string kDtdDocument =
    "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n"
    "<!DOCTYPE libro SYSTEM \"ext.dtd\" [\n"
    "  <!ENTITY autore \"Alessandro &amp; Manzoni\">\n"
    "  <!ENTITY titolo \"I promessi &autore;\">\n"
    "  <!ATTLIST capitolo lingua CDATA \"it\" numero NMTOKEN #IMPLIED stato (bozza|finale) \"finale\">\n"
    "  <!-- un commento nel DTD -->\n"
    "]>\n"
    "<?stile href=\"a.css\" tipo='text/css'?>\n"
    "<libro>\n"
    "  <capitolo numero=\" 1 \" titolo=\"&titolo;\">&autore; &#x263A; &#233; caf\xE9</capitolo>\n"
    "  <capitolo/><!-- fine -->\n"
    "  <![CDATA[<non un tag> & niente]]>\n"
    "</libro>\n";

const std::string kExternalDtd =
    "<!ENTITY esterno \"dal DTD esterno\">\n"
    "<!ATTLIST libro anno CDATA \"1840\">\n";

std::string utf16(const std::string& utf8, bool bigEndian) {
    return (bigEndian ? "\xFE\xFF" : "\xFF\xFE") + text::utf16ToBytes(text::utf8ToUtf16(utf8), bigEndian);
}

void xmlSeeds() {
    const std::vector<std::pair<std::string, std::string>> documents = {
        {"container", kContainer}, {"package", package(true, false)}, {"package3", package(false, true)},
        {"ncx", kNcx},             {"nav", kNav},                      {"chapter", kChapter},
        {"dtd", kDtdDocument + std::string(fuzzsupport::kFileSeparator) + kExternalDtd},
    };
    for (const auto& [name, document] : documents) {
        // Normalized and raw; with the UTF-8 state and the document folder.
        seed("xml_parser", name + "-1", std::string(1, '\x01') + document);
        seed("xml_parser", name + "-6", std::string(1, '\x06') + document);
        seed("xml_scanner", name + "-1", std::string(1, '\x01') + document);
        seed("xml_scanner", name + "-stop", std::string(1, '\x0B') + document);
    }
    // Documents stored as UTF-16, which the scanner turns into UTF-8.
    seed("xml_parser", "package-utf16le", std::string(1, '\x01') + utf16(package(true, false), false));
    seed("xml_scanner", "ncx-utf16be", std::string(1, '\x01') + utf16(kNcx, true));
}

void bookSeeds() {
    seed("book", "epub2", join({kContainer, package(true, false), kNcx, kNav}));
    seed("book", "epub3", join({kContainer, package(false, true), "", kNav}));
    seed("book", "both", join({kContainer, package(true, true), kNcx, kNav}));
    std::string badOrder = kNcx;
    badOrder.replace(badOrder.find("playOrder=\"4\""), 13, "playOrder=\"4a\"");
    seed("book", "bad-play-order", join({kContainer, package(true, false), badOrder, kNav}));
    seed("book", "utf16", join({kContainer, utf16(package(true, false), false), utf16(kNcx, true), kNav}));
}

void catalogueSeeds() {
    TlibRecordList list;
    seed("catalogue", "empty", encodeCatalogue(list));
    const struct {
        const char* title;
        const char* author;
        const char* folder;
        bool newbook;
        double date;
    } books[] = {
        {"I promessi sposi", "Alessandro Manzoni", "/home/lettore/raveLund/promessi.epub", false,
         readDateFromLocal(2024, 3, 15, 21, 30, 5, 250)},
        {"La coscienza di Zeno", "Italo Svevo", "/home/lettore/raveLund/zeno.epub", true, 0},
        {"Citt\xC3\xA0 invisibili \xF0\x9F\x93\x96", "Italo Calvino", "/home/lettore/raveLund/citt\xC3\xA0.epub",
         false, readDateFromLocal(1999, 12, 31, 23, 59, 59, 999)},
    };
    for (const auto& b : books) {
        auto r = std::make_unique<TlibRecord>();
        r->Title = text::utf8ToUtf16(b.title);
        r->Author = text::utf8ToUtf16(b.author);
        r->Folder = text::utf8ToUtf16(b.folder);
        r->Newbook = b.newbook;
        r->ReadDate = b.date;
        list.Add(std::move(r));
    }
    const std::string full = encodeCatalogue(list);
    seed("catalogue", "three-books", full);
    seed("catalogue", "cut", full.substr(0, full.size() - 5));
}

void readingPositionSeeds() {
    // The first byte is the spine's length.
    seed("readingposition", "start", '\x05' + readingposition::encodeReadingPosition({0, 0}));
    seed("readingposition", "middle", '\x05' + readingposition::encodeReadingPosition({12345, 3}));
    seed("readingposition", "unreadable-offset", '\x02' + readingposition::encodeReadingPosition({-1, 1}));
    seed("readingposition", "beyond-spine", '\x02' + readingposition::encodeReadingPosition({10, 7}));
}

void chapterSeeds() {
    const std::string href = "Text/ch%201.xhtml#s1";
    const std::string sep(fuzzsupport::kFileSeparator);
    seed("chapterprep", "ansi", href + sep + kChapter);
    seed("chapterprep", "utf8-bom", href + sep + "\xEF\xBB\xBF" + kChapter);
    seed("chapterprep", "utf16le", href + sep + utf16(kChapter, false));
    seed("chapterprep", "utf16be-odd", href + sep + utf16(kChapter, true) + "x");
    seed("chapterprep", "no-head", "c.xhtml" + sep + "<html><body>\r\nniente\n</body></html>");
}

// A small EPUB as a book's maker writes it: the mimetype stored first, the
// rest deflated, with folder entries.
void archiveSeeds() {
    struct Entry {
        std::string name, data;
        bool store;
    };
    const std::vector<std::vector<Entry>> archives = {
        {{"mimetype", "application/epub+zip", true},
         {"META-INF/", "", true},
         {"META-INF/container.xml", kContainer, false},
         {"OEBPS/content.opf", package(true, true), false},
         {"OEBPS/toc.ncx", kNcx, false},
         {"OEBPS/nav.xhtml", kNav, false},
         {"OEBPS/Text/ch1.xhtml", kChapter, false},
         {"OEBPS/Text/ch 2.xhtml", kChapter, true}},
        {{"a/b/c.txt", "poco", true}, {"a\\d.txt", "barra rovescia", false}, {"./e/./f.txt", "punti", false}},
    };
    for (size_t n = 0; n < archives.size(); ++n) {
        const fs::path file = seeds / "extract" / ("book" + std::to_string(n) + ".epub");
        fs::create_directories(file.parent_path());
        int error = 0;
        zip_t* za = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!za) {
            std::fprintf(stderr, "cannot create %s\n", file.c_str());
            std::exit(1);
        }
        for (const Entry& e : archives[n]) {
            zip_int64_t index;
            if (e.name.back() == '/') {
                index = zip_dir_add(za, e.name.c_str(), ZIP_FL_ENC_UTF_8);
            } else {
                zip_source_t* src = zip_source_buffer(za, e.data.data(), e.data.size(), 0);
                index = src ? zip_file_add(za, e.name.c_str(), src, ZIP_FL_ENC_UTF_8) : -1;
                if (index < 0 && src) zip_source_free(src);
                if (index >= 0)
                    zip_set_file_compression(za, static_cast<zip_uint64_t>(index),
                                             e.store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
            }
            if (index < 0) {
                std::fprintf(stderr, "cannot add %s: %s\n", e.name.c_str(), zip_strerror(za));
                std::exit(1);
            }
        }
        if (zip_close(za) != 0) {
            std::fprintf(stderr, "cannot write %s: %s\n", file.c_str(), zip_strerror(za));
            std::exit(1);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SEED_FOLDER\n", argv[0]);
        return 2;
    }
    seeds = argv[1];
    xmlSeeds();
    bookSeeds();
    catalogueSeeds();
    readingPositionSeeds();
    chapterSeeds();
    archiveSeeds();
    return 0;
}
