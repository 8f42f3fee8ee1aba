// The container, package, NCX and navigation readers over a small book
// folder built from the input: its parts, split at the file separator, are
// META-INF/container.xml, OEBPS/content.opf, OEBPS/toc.ncx and
// OEBPS/nav.xhtml. The folder is read as when a book is added (title and
// author) and opened (spine and table of contents); the NCX and navigation
// readers also read their parts directly, whatever the package names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "epub/navdoc.h"
#include "epub/package.h"
#include "epub/toc.h"
#include "fuzz_common.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// What every finished table of contents must satisfy: spine indexes that
// point into the spine at the entry's own chapter, and a tree whose parents
// come before their children.
void checkFinished(const epub::TMyIndexList& index, const epub::TMySpineList& spine) {
    for (const epub::TMyIndex& entry : index) {
        if (entry.spineIndex == epub::kNoSpineIndex) continue;
        check(entry.spineIndex >= 0 && entry.spineIndex < spine.Count());
        check(spine.Get(entry.spineIndex).Value == entry.Link.substr(0, entry.Link.find('#')));
    }
    const std::vector<int> parents = epub::indexViewParents(index);
    check(parents.size() == static_cast<size_t>(index.Count()));
    for (size_t i = 0; i < parents.size(); ++i)
        check(parents[i] == epub::kParentRoot || parents[i] == epub::kParentTopLevel ||
              (parents[i] >= 0 && static_cast<size_t>(parents[i]) < i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts = fuzzsupport::splitInput(std::string_view(reinterpret_cast<const char*>(data), size), 4);
    const auto book = fuzzsupport::scratchFolder() / "book.epub";
    fuzzsupport::writeFile(book / "META-INF" / "container.xml", parts[0]);
    fuzzsupport::writeFile(book / "OEBPS" / "content.opf", parts[1]);
    fuzzsupport::writeFile(book / "OEBPS" / "toc.ncx", parts[2]);
    fuzzsupport::writeFile(book / "OEBPS" / "nav.xhtml", parts[3]);
    const std::string folder = book.string();

    std::string title = "?", creator = "?";
    epub::title_and_creator(folder, title, creator);

    epub::TXmlScanner scanner;
    epub::TMySpineList spine;
    epub::TMyIndexList index;
    std::string epubfolderdoc = "stale";
    int dispatched = 0;
    const epub::FillIndexResult result =
        epub::FillIndex(folder, scanner, spine, index, epubfolderdoc, [&] { ++dispatched; });
    check(dispatched == spine.Count());
    check(epubfolderdoc.empty() || epubfolderdoc.back() == '/');
    if (epubfolderdoc.empty()) check(spine.Empty() && index.Empty() && !result.ncxFound && !result.navRead);
    if (result.error.empty()) checkFinished(index, spine);

    // The same scanner reads the NCX again, as the reading window does when
    // a second book is opened; then the navigation document on its own.
    epub::TMyIndexList ncxIndex;
    if (epub::readTableOfContentsFromBuffer(scanner, parts[2], spine, ncxIndex).empty())
        checkFinished(ncxIndex, spine);

    epub::TXmlParser parser;
    parser.LoadFromBuffer(parts[3]);
    epub::TMyIndexList navIndex;
    epub::readNavigationDocument(parser, "nav.xhtml", spine, navIndex);
    checkFinished(navIndex, spine);
    for (const epub::TMyIndex& entry : navIndex) check(entry.Level >= 1 && entry.Level <= 3);
    return 0;
}
