// One-time preparation of a book's chapter documents for the HTML view: each
// chapter gets a UTF-8 declaration and a link to the program's style sheet in
// its head, and a marker file in the package folder records that it is done.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace chapterprep {

// How a text file is stored: a byte-order mark selects UTF-8 or UTF-16; with
// none the file is single-byte ANSI text, whose bytes are kept as they are.
enum class TextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

inline constexpr std::string_view kMetaText = "<meta charset=\"utf-8\" />";
inline constexpr std::string_view kLinkStart = "<link href=\"";
inline constexpr std::string_view kLinkEnd = "ravelund.css\" rel=\"stylesheet\" type=\"text/css\"/>";
inline constexpr std::string_view kMarkerFileName = "charset.ok";

// The encoding a file's first bytes announce.
TextEncoding detectEncoding(std::string_view bytes);
// The mark written in front of a file of this encoding ("" for ANSI).
std::string_view byteOrderMark(TextEncoding encoding);
// ASCII text stored in the given encoding, without mark.
std::string encodeAscii(std::string_view ascii, TextEncoding encoding);

// The link text naming "ravelund.css" in the folder with this URL (which
// ends with "/").
std::string linkText(std::string_view folderUrl);

// A chapter file's bytes, prepared: every line break (LF, CR, CR LF) becomes
// CR LF, the meta text goes right after the first "<head>" and the link text
// right before the first "</head>" (each only if found), and the result is in
// the file's own encoding with its own mark. Without a mark every other byte
// stays as it was; a UTF-16 file with an odd last byte keeps that byte.
// The encoding found is stored in *encoding when given.
std::string prepareChapter(std::string_view fileBytes, std::string_view linkText,
                           TextEncoding* encoding = nullptr);

// The file a chapter href names in the package folder (which ends with the
// separator): the href without fragment, percent-decoded, appended.
std::string chapterFilePath(std::string_view packageFolder, std::string_view href);
// The folder holding that file, ending with the separator.
std::string chapterFolder(std::string_view packageFolder, std::string_view href);

// The hrefs whose chapter file lies inside the book folder: a spine entry
// such as "../../x" must never make the preparation rewrite a file outside
// the book.
std::vector<std::string> hrefsInsideBook(std::string_view bookFolder, std::string_view packageFolder,
                                         const std::vector<std::string>& spineHrefs);

struct Preparation {
    bool prepared = false;  // false when the marker file said it was done before
    // The error text of each file that could not be read or written: the
    // chapters, in spine order, left as they were; then the marker file.
    std::vector<std::string> failures;
};

// Prepares, in spine order, every chapter of the book unless the marker file
// exists in the package folder, then creates the marker file. Each rewrite
// replaces the file atomically. `lastReadEncoding` is the encoding of the
// last chapter document read in this run of the program (ANSI before any); it
// is updated by every chapter read, and the marker file is written in it, as
// the style sheet is afterwards.
// A chapter that cannot be read or written does not stop the others, and the
// marker is created all the same: preparing again would insert the texts a
// second time into every chapter already prepared.
Preparation setUTF8(std::string_view packageFolder, const std::vector<std::string>& spineHrefs,
                    TextEncoding& lastReadEncoding);

}  // namespace chapterprep
