// The table of contents of a book: the NCX navPoint elements turned into
// entries in play order, each with the spine index of its chapter, and the
// shape of the tree that shows them.
//
// Every reader of a table of contents fills the same TMyIndexList: it appends
// the entries (documentOrder set as they begin in the document), then calls
// finishTableOfContents, which sorts them and sets their spine indexes.
//
// Errors: a "playOrder" that is not an integer stops the reading. It is not
// thrown: readTableOfContents returns the message "''%s'' is not a valid
// integer value" with the value in place of %s, for the reading window to
// show like any other error of the book opening. MyIndexList then keeps the
// entries appended so far, unsorted, their spineIndex unset (kNoSpineIndex);
// the tree is not to be rebuilt from them.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "epub/bookmodel.h"
#include "epub/xmlscanner.h"

namespace epub {

// The part of an element name after its first ':' (the whole name without one).
std::string_view localName(std::string_view name);
// Whether a white-space separated list of tokens (an attribute such as
// "properties" or "epub:type") holds this token.
bool hasToken(std::string_view list, std::string_view token);

// A play order: leading spaces, an optional sign, then decimal digits, or
// hexadecimal ones after "$", "x" or "0x" (read as a 32-bit pattern);
// nothing may follow. False when the text is no such integer.
bool readPlayOrder(std::string_view text, int& value);
std::string invalidIntegerMessage(std::string_view value);

// The handlers of the event scanner while it reads an NCX file, with the
// state they share.
class TNcxReader {
public:
    explicit TNcxReader(TMyIndexList& list) : MyIndexList(list) {}

    void XmlScanner1StartTag(TXmlScanner& Sender, const std::string& TagName, const TAttrList& Attributes);
    void XmlScanner1EmptyTag(TXmlScanner& Sender, const std::string& TagName, const TAttrList& Attributes);
    void XmlScanner1EndTag(TXmlScanner& Sender, const std::string& TagName);
    void XmlScanner1Content(TXmlScanner& Sender, const std::string& Content);

    TMyIndexList& MyIndexList;
    // Current navPoint nesting level; 0 outside every navPoint, never below.
    int navpointlevel = 0;
    // The entries under construction at levels 1, 2 and 3 (MyIndexLevel1..3).
    std::array<std::optional<TMyIndex>, 3> MyIndexLevel;
    // Set when the reading stopped on an invalid play order.
    std::string error;

private:
    std::optional<TMyIndex>* current();
    int navPointsStarted_ = 0;
    int lastOrder_ = 0;
};

// Reads the NCX file at `path` with the reading window's scanner (whose
// encoding state carries over from document to document) and appends its
// entries to MyIndexList, then finishes the list. Returns an empty text, or
// the error message described above. A missing or empty file gives no entries.
// The scanner's start-tag, empty-tag, end-tag and text handlers are set for
// the pass and cleared after it.
std::string readTableOfContents(TXmlScanner& XmlScanner1, const std::string& path,
                                const TMySpineList& MySpineList, TMyIndexList& MyIndexList);
// The same for an NCX document in memory.
std::string readTableOfContentsFromBuffer(TXmlScanner& XmlScanner1, std::string_view bytes,
                                          const TMySpineList& MySpineList, TMyIndexList& MyIndexList);

// Sort by Order (ties in document order), then setSpineIndex.
void finishTableOfContents(TMyIndexList& MyIndexList, const TMySpineList& MySpineList);
void sortByOrder(TMyIndexList& MyIndexList);
// Every entry's spineIndex: the last spine entry whose Value equals the Link
// up to its first '#' (exact, case-sensitive), or kNoSpineIndex.
void setSpineIndex(TMyIndexList& MyIndexList, const TMySpineList& MySpineList);

// Where setIndexView hangs each entry's node in the tree whose root node is
// the book title:
constexpr int kParentRoot = -1;      // a child of the title node
constexpr int kParentTopLevel = -2;  // a further top-level node after the title node and its subtree
// For entry i, the index of the entry whose node is its parent, or one of the
// two values above. A level-1 entry hangs from the root; a level-2 entry from
// the latest level-1 entry before it, a level-3 entry from the latest level-2
// entry before it (not forgotten when a new level-1 entry comes), each a
// further top-level node when there is none yet. Levels below 1 count as 1,
// above 3 as 3. Creating the nodes in list order gives the tree; every node
// is expanded.
std::vector<int> indexViewParents(const TMyIndexList& MyIndexList);

}  // namespace epub
