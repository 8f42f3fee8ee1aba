// The table of contents of an EPUB 3 book without NCX file: its navigation
// document (the manifest item whose "properties" hold "nav"), read into the
// same entries as an NCX file gives.
//
// The entries come from the first nav element whose epub:type holds "toc":
// each li of its nested ol lists up to the third level makes an entry from
// its first a element with an "href" (its text as label, its link turned into
// a path relative to the package folder), in document order, which is also
// their play order. An li without a link (a bare span heading) makes no
// entry; its nested items keep their own levels. Nothing is reported: what is
// missing gives fewer entries.
#pragma once

#include <string>
#include <string_view>

#include "epub/bookmodel.h"
#include "epub/xmlscanner.h"

namespace epub {

// An href of the navigation document (itself at navHref, relative to the
// package folder) as a path relative to the package folder: "." and ".."
// segments resolved, fragment kept, nothing percent-decoded. Empty for an
// href with a URL scheme (a link out of the book).
std::string resolveNavHref(std::string_view navHref, std::string_view href);

// Reads the navigation document at packageFolder + navHref and appends its
// entries to MyIndexList, then sorts them and sets their spine indexes.
// XHTML of EPUB 3 is UTF-8: a document without XML declaration is read so.
void readNavigationDocument(const std::string& packageFolder, const std::string& navHref,
                            const TMySpineList& MySpineList, TMyIndexList& MyIndexList);
// The same from a document already loaded into `parser`.
void readNavigationDocument(TXmlParser& parser, std::string_view navHref, const TMySpineList& MySpineList,
                            TMyIndexList& MyIndexList);

}  // namespace epub
