// The container and package documents of an unpacked book: its title and
// author for the catalogue, and for reading the package folder, the spine
// and the table of contents.
//
// Paths are UTF-8. The book folder has no trailing separator; the package
// folder (epubfolderdoc) always ends with "/". EPUB paths keep their "/" and
// are taken as written: no percent-decoding, no removal of "." or "..".
// Nothing here reports an error for a missing or damaged document: what is
// not found is left empty.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "epub/bookmodel.h"
#include "epub/xmlscanner.h"

namespace epub {

inline constexpr std::string_view kXhtmlMediaType = "application/xhtml+xml";
inline constexpr std::string_view kNcxMediaType = "application/x-dtbncx+xml";

// The book folder followed by "/META-INF/container.xml".
std::string containerDocumentPath(const std::string& folder);
// The path cut after its last "/" (so ending with "/"); empty without one.
std::string packageFolderOf(const std::string& packagePath);

// Each advances the scanner with Scan and returns false when the document
// ends first.
bool seekDeclaration(TXmlParser& parser);
// Next start or empty-element tag whose local name (after the first ':')
// equals `name`: opf:itemref and itemref both match "itemref".
bool seekElement(TXmlParser& parser, std::string_view name);
// Next start or empty-element tag whose whole name contains `text`.
bool seekElementContaining(TXmlParser& parser, std::string_view text);
// Next text or CDATA part; its text is then in CurContent.
bool seekText(TXmlParser& parser);

// Title and author for the catalogue: the text after the first element whose
// name contains ":title", and after the first one containing ":creator" that
// follows it. `title` and `creator` keep what they held when not found.
void title_and_creator(const std::string& folder, std::string& title, std::string& creator);

// The same from a package document already loaded into `parser`.
void readTitleAndCreator(TXmlParser& parser, std::string& title, std::string& creator);

// The package document path named by the container (the book folder, "/"
// and the last "full-path" of a rootfile element); empty when the container
// is missing, has no XML declaration or names none.
std::string packageDocumentPath(const std::string& folder);

// The "href" of the first manifest item with this id and media type; empty
// when there is none. Reads the package document afresh on each call.
std::string findHref_forID(const std::string& packagePath, const std::string& id, std::string_view mediaType);
// The NCX path (package folder + the href of the first item of the NCX media
// type, as written), or empty; sets epubfolderdoc when it finds one.
std::string getTOCfile(const std::string& packagePath, std::string& epubfolderdoc);

// Appends the chapter documents of the spine to MySpineList: for every
// itemref with an "idref", in document order, the href of the first
// "application/xhtml+xml" manifest item with that id; itemrefs with no such
// item (or an empty href) are passed over, whatever "linear" says. The
// manifest is read once, in the same pass. dispatchPending, when given, is
// called once per appended entry so that the window can process its events.
// Returns the tables of contents that the manifest names.
struct TocDocuments {
    // The href of the first item of the NCX media type, as written.
    std::optional<std::string> ncxHref;
    // The href of the first item whose "properties" hold "nav" (EPUB 3).
    std::optional<std::string> navHref;
};
TocDocuments readSpine(const std::string& packagePath, TMySpineList& MySpineList,
                       const std::function<void()>& dispatchPending = {});
// The same from a package document already loaded into `parser`.
TocDocuments readSpine(TXmlParser& parser, TMySpineList& MySpineList,
                       const std::function<void()>& dispatchPending = {});

struct FillIndexResult {
    bool ncxFound = false;  // the package document names an NCX file
    bool navRead = false;   // the table of contents came from the navigation document
    std::string error;      // empty, or the table of contents' error message (epub/toc.h)
};

// Reads the container, the spine into MySpineList and the table of contents
// into MyIndexList: from the NCX file with XmlScanner1 when the manifest names
// one, otherwise from the EPUB 3 navigation document (epub/navdoc.h). Both
// lists are appended to, never cleared.
//
// epubfolderdoc is set to the package folder whenever the container names a
// package document, NCX or not, and is emptied otherwise: the book has then no
// package folder, and no chapter, bookmark or style-sheet path may be built
// on it (an empty folder would point at the program's working folder).
FillIndexResult FillIndex(const std::string& folder, TXmlScanner& XmlScanner1, TMySpineList& MySpineList,
                          TMyIndexList& MyIndexList, std::string& epubfolderdoc,
                          const std::function<void()>& dispatchPending = {});

}  // namespace epub
