#include "epub/chapterprep.h"

#include "platform/fileio.h"
#include "platform/fileurl.h"
#include "platform/textconv.h"

#include <filesystem>

namespace chapterprep {
namespace {

template <class Unit>
std::basic_string<Unit> widen(std::string_view ascii) {
    return std::basic_string<Unit>(ascii.begin(), ascii.end());
}

// The rewrite itself, on bytes (ANSI, UTF-8: every inserted or matched
// character is ASCII, which never occurs inside a UTF-8 sequence) or on
// UTF-16 code units.
template <class Unit>
std::basic_string<Unit> prepareUnits(std::basic_string_view<Unit> in,
                                     const std::basic_string<Unit>& link) {
    constexpr Unit cr = 0x0D;
    constexpr Unit lf = 0x0A;
    std::basic_string<Unit> out;
    out.reserve(in.size() + in.size() / 32 + kMetaText.size() + link.size());
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == cr) {
            out.push_back(cr);
            out.push_back(lf);
            if (i + 1 < in.size() && in[i + 1] == lf) ++i;
        } else if (in[i] == lf) {
            out.push_back(cr);
            out.push_back(lf);
        } else {
            out.push_back(in[i]);
        }
    }
    const std::basic_string<Unit> headStart = widen<Unit>("<head>");
    const size_t start = out.find(headStart);
    if (start != std::basic_string<Unit>::npos)
        out.insert(start + headStart.size(), widen<Unit>(kMetaText));
    const size_t end = out.find(widen<Unit>("</head>"));
    if (end != std::basic_string<Unit>::npos) out.insert(end, link);
    return out;
}

}  // namespace

TextEncoding detectEncoding(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return TextEncoding::Utf8;
    if (bytes.starts_with("\xFF\xFE")) return TextEncoding::Utf16LE;
    if (bytes.starts_with("\xFE\xFF")) return TextEncoding::Utf16BE;
    return TextEncoding::Ansi;
}

std::string_view byteOrderMark(TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf8: return "\xEF\xBB\xBF";
        case TextEncoding::Utf16LE: return "\xFF\xFE";
        case TextEncoding::Utf16BE: return "\xFE\xFF";
        case TextEncoding::Ansi: break;
    }
    return "";
}

std::string encodeAscii(std::string_view ascii, TextEncoding encoding) {
    if (encoding != TextEncoding::Utf16LE && encoding != TextEncoding::Utf16BE)
        return std::string(ascii);
    return text::utf16ToBytes(widen<char16_t>(ascii), encoding == TextEncoding::Utf16BE);
}

std::string linkText(std::string_view folderUrl) {
    std::string link(kLinkStart);
    link += folderUrl;
    link += kLinkEnd;
    return link;
}

std::string prepareChapter(std::string_view fileBytes, std::string_view link,
                           TextEncoding* encoding) {
    const TextEncoding found = detectEncoding(fileBytes);
    if (encoding) *encoding = found;
    const std::string_view mark = byteOrderMark(found);
    const std::string_view body = fileBytes.substr(mark.size());
    std::string out(mark);
    if (found == TextEncoding::Ansi || found == TextEncoding::Utf8) {
        out += prepareUnits<char>(body, std::string(link));
        return out;
    }
    const bool bigEndian = found == TextEncoding::Utf16BE;
    out += text::utf16ToBytes(
        prepareUnits<char16_t>(text::utf16FromBytes(body, bigEndian), widen<char16_t>(link)), bigEndian);
    // A stray last byte is no code unit; it is kept, not dropped.
    if (body.size() % 2 != 0) out.push_back(body.back());
    return out;
}

std::string chapterFilePath(std::string_view packageFolder, std::string_view href) {
    const size_t hash = href.find('#');
    if (hash != std::string_view::npos) href = href.substr(0, hash);
    std::string path(packageFolder);
    path += fileurl::percentDecode(href);
    return path;
}

std::string chapterFolder(std::string_view packageFolder, std::string_view href) {
    const std::string path = chapterFilePath(packageFolder, href);
    const size_t slash = path.rfind('/');
    // Without any separator the chapter lies in the current folder.
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::vector<std::string> hrefsInsideBook(std::string_view bookFolder, std::string_view packageFolder,
                                         const std::vector<std::string>& spineHrefs) {
    std::vector<std::string> inside;
    for (const std::string& href : spineHrefs)
        if (fileio::isInsideFolder(chapterFilePath(packageFolder, href), std::string(bookFolder)))
            inside.push_back(href);
    return inside;
}

Preparation setUTF8(std::string_view packageFolder, const std::vector<std::string>& spineHrefs,
                    TextEncoding& lastReadEncoding) {
    Preparation result;
    const std::filesystem::path marker =
        fileio::toPath(std::string(packageFolder) + std::string(kMarkerFileName));
    std::error_code ec;
    if (std::filesystem::exists(marker, ec)) return result;

    for (const std::string& href : spineHrefs) {
        try {
            const std::filesystem::path file = fileio::toPath(chapterFilePath(packageFolder, href));
            const std::string bytes = fileio::readWholeFile(file);
            const std::string link =
                linkText(fileurl::fileUrlFromPath(chapterFolder(packageFolder, href)));
            const std::string prepared = prepareChapter(bytes, link, &lastReadEncoding);
            fileio::AtomicFile replacement(file);
            replacement.write(prepared);
            replacement.commitWithoutSync();
        } catch (const fileio::FileError& e) {
            result.failures.push_back(e.what());
        }
    }
    // One sync for the whole book before the marker says it is done: a sync
    // per chapter would make the first opening of a long book slow.
    fileio::syncFileSystem(fileio::toPath(std::string(packageFolder)));
    try {
        fileio::writeWholeFileAtomic(marker, byteOrderMark(lastReadEncoding));
    } catch (const fileio::FileError& e) {
        result.failures.push_back(e.what());
    }
    result.prepared = true;
    return result;
}

}  // namespace chapterprep
