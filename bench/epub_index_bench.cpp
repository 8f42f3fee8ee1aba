// Time to build the spine and the table of contents of a large book: a
// generated package document with 10,000 chapters and an NCX file with
// 10,000 entries, read through FillIndex as the book opening does.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "epub/package.h"
#include "epub/toc.h"

namespace {

constexpr int kChapters = 10000;

void writeFile(const std::filesystem::path& p, const std::string& bytes) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string packageDocument() {
    std::string manifest, spine;
    for (int i = 1; i <= kChapters; ++i) {
        const std::string n = std::to_string(i);
        manifest += "    <item id=\"chapter" + n + "\" href=\"Text/chapter" + n +
                    ".xhtml\" media-type=\"application/xhtml+xml\"/>\n";
        spine += "    <itemref idref=\"chapter" + n + "\"/>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"2.0\" unique-identifier=\"id\">\n"
           "  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>Prova</dc:title></metadata>\n"
           "  <manifest>\n"
           "    <item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n" +
           manifest + "  </manifest>\n  <spine toc=\"ncx\">\n" + spine + "  </spine>\n</package>\n";
}

std::string ncxDocument() {
    std::string points;
    for (int i = 1; i <= kChapters; ++i) {
        const std::string n = std::to_string(i);
        points += "    <navPoint id=\"navPoint-" + n + "\" playOrder=\"" + n + "\">\n"
                  "      <navLabel><text>Capitolo " + n + "</text></navLabel>\n"
                  "      <content src=\"Text/chapter" + n + ".xhtml\"/>\n"
                  "    </navPoint>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE ncx PUBLIC \"-//NISO//DTD ncx 2005-1//EN\" \"http://www.daisy.org/z3986/2005/ncx-2005-1.dtd\">\n"
           "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\">\n"
           "  <docTitle><text>Prova</text></docTitle>\n  <navMap>\n" +
           points + "  </navMap>\n</ncx>\n";
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    std::string pattern = (std::filesystem::temp_directory_path() / "epub-index-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return 1;
    const std::filesystem::path book = pattern;
    const std::string opf = packageDocument();
    const std::string ncx = ncxDocument();
    writeFile(book / "META-INF" / "container.xml",
              "<?xml version=\"1.0\"?><container><rootfiles><rootfile full-path=\"OEBPS/content.opf\" "
              "media-type=\"application/oebps-package+xml\"/></rootfiles></container>");
    writeFile(book / "OEBPS" / "content.opf", opf);
    writeFile(book / "OEBPS" / "toc.ncx", ncx);
    std::printf("package document: %zu bytes, %d chapters; NCX: %zu bytes, %d entries\n", opf.size(), kChapters,
                ncx.size(), kChapters);

    double best = 1e9, bestSpine = 1e9, bestToc = 1e9;
    bool ok = true;
    for (int run = 0; run < 5; ++run) {
        epub::TXmlScanner scanner;
        epub::TMySpineList spine;
        epub::TMyIndexList index;
        std::string folderdoc;

        auto start = std::chrono::steady_clock::now();
        const epub::FillIndexResult result = epub::FillIndex(book.string(), scanner, spine, index, folderdoc);
        best = std::min(best, millisecondsSince(start));

        // The two halves on their own.
        epub::TMySpineList spineOnly;
        start = std::chrono::steady_clock::now();
        epub::readSpine((book / "OEBPS" / "content.opf").string(), spineOnly);
        bestSpine = std::min(bestSpine, millisecondsSince(start));
        epub::TMyIndexList tocOnly;
        start = std::chrono::steady_clock::now();
        epub::readTableOfContents(scanner, (book / "OEBPS" / "toc.ncx").string(), spineOnly, tocOnly);
        bestToc = std::min(bestToc, millisecondsSince(start));

        ok = ok && result.ncxFound && result.error.empty() && spine.Count() == kChapters &&
             index.Count() == kChapters && index.Get(kChapters - 1).spineIndex == kChapters - 1;
    }
    std::filesystem::remove_all(book);
    std::printf("spine: %.1f ms\ntable of contents: %.1f ms\nFillIndex, spine and table of contents together: %.1f ms "
                "(goal: under 100 ms)\n",
                bestSpine, bestToc, best);
    if (!ok) {
        std::printf("unexpected result: the book was not read whole\n");
        return 1;
    }
    return 0;
}
