// The chapter preparation on arbitrary chapter bytes: the rewrite in memory,
// then the preparation of a book whose one chapter holds the bytes. The
// first part of the input (up to the file separator) is the chapter's href
// as the package names it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "epub/chapterprep.h"
#include "fuzz_common.h"
#include "platform/fileio.h"
#include "platform/fileurl.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// Every line break of single-byte text is CR LF.
bool onlyCrLf(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) return false;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    }
    return true;
}

// The text with CR LF and lone CR turned into LF, as the rewrite's input
// reads once its line breaks are made alike.
std::string unifyBreaks(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void eraseFirst(std::string& text, std::string_view what, size_t at) {
    if (at != std::string::npos && text.compare(at, what.size(), what) == 0) text.erase(at, what.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts = fuzzsupport::splitInput(std::string_view(reinterpret_cast<const char*>(data), size), 2);
    const std::string_view href = parts[0];
    const std::string_view chapter = parts[1];

    const std::string package = (fuzzsupport::scratchFolder() / "book.epub" / "OEBPS").string() + "/";
    const std::string link = chapterprep::linkText(fileurl::fileUrlFromPath(chapterprep::chapterFolder(package, href)));

    chapterprep::TextEncoding encoding{};
    const std::string prepared = chapterprep::prepareChapter(chapter, link, &encoding);
    check(encoding == chapterprep::detectEncoding(chapter));
    const std::string_view mark = chapterprep::byteOrderMark(encoding);
    check(prepared.starts_with(mark));
    if (encoding == chapterprep::TextEncoding::Ansi || encoding == chapterprep::TextEncoding::Utf8) {
        const std::string_view body = std::string_view(prepared).substr(mark.size());
        check(onlyCrLf(body));
        // Taking the two insertions out again gives the input's text.
        std::string restored(body);
        const size_t head = restored.find("<head>");
        if (head != std::string::npos) eraseFirst(restored, chapterprep::kMetaText, head + 6);
        const size_t headEnd = restored.find("</head>");
        if (headEnd != std::string::npos && headEnd >= link.size())
            eraseFirst(restored, link, headEnd - link.size());
        check(unifyBreaks(restored) == unifyBreaks(chapter.substr(mark.size())));
    } else {
        // UTF-16 keeps its code units in pairs, with a stray last byte kept.
        check((prepared.size() - mark.size()) % 2 == (chapter.size() - mark.size()) % 2);
    }

    // The whole preparation of a one-chapter book on disk.
    const auto book = fuzzsupport::scratchFolder() / "book.epub";
    fuzzsupport::emptyFolder(book);
    const std::string chapterHref = "Text/chapter1.xhtml";
    fuzzsupport::writeFile(chapterprep::chapterFilePath(package, chapterHref), chapter);
    chapterprep::TextEncoding last = chapterprep::TextEncoding::Ansi;
    const chapterprep::Preparation done = chapterprep::setUTF8(package, {chapterHref}, last);
    check(done.prepared && done.failures.empty());
    check(last == encoding);
    const std::string folderLink =
        chapterprep::linkText(fileurl::fileUrlFromPath(chapterprep::chapterFolder(package, chapterHref)));
    check(fileio::readWholeFile(chapterprep::chapterFilePath(package, chapterHref)) ==
          chapterprep::prepareChapter(chapter, folderLink));
    check(!chapterprep::setUTF8(package, {chapterHref}, last).prepared);
    return 0;
}
