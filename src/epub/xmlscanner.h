// The tolerant XML scanner through which every XML document of a book is
// read: the container, the package document and the NCX table of contents.
// It neither validates nor knows namespaces, keeps no stack of open elements
// and never reports an error: it makes the best of what it finds.
//
// Two forms share the same scanning rules: TXmlParser, the pull form (ask for
// one part after another), and TXmlScanner, the event form (one pass calling
// handlers).
//
// Text handed out is UTF-8. Element and attribute names are taken byte by
// byte as Windows-1252; text, CDATA and attribute values are decoded by the
// encoding state CurEncoding: exactly "UTF-8" decodes UTF-8 (malformed
// sequences become U+FFFD), anything else Windows-1252. CurEncoding is set by
// each XML declaration and survives loading another document, so a document
// without a declaration is read in the encoding last declared to the same
// scanner object (Windows-1252 for a new one).
//
// A document stored as UTF-16 (known by its byte-order mark, or by a first
// "<" beside a zero byte) is turned into UTF-8 on loading and read as UTF-8,
// whatever its declaration names.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace epub {

// Trims tabs, line feeds, carriage returns and spaces and turns every inner
// run of them into one space, as XML white space is read.
std::string collapseWhitespace(std::string_view s);

enum TPartType {
    ptNone,        // no part yet (after StartScan)
    ptXmlProlog,   // "<?xml ...?>": CurAttr holds its pseudo-attributes
    ptComment,     // "<!-- ... -->": no field changes
    ptPI,          // "<?target ...?>": CurName the target, CurContent the rest, CurAttr parsed from it
    ptDtdc,        // "<!DOCTYPE ...>": CurName and CurContent empty
    ptStartTag,    // "<name ...>": CurName, CurAttr
    ptEmptyTag,    // "<name .../>": CurName, CurAttr
    ptEndTag,      // "</name>": CurName, CurAttr empty
    ptContent,     // character data, references replaced: CurContent
    ptCData,       // "<![CDATA[ ... ]]>": CurContent, raw
};

// Attributes of one part, kept ordered by name (ordinal comparison of UTF-16
// code units), not in document order. A name equal to one already present is
// inserted before it, so of duplicates the one written later comes first.
class TAttrList {
public:
    struct Attr {
        std::string Name;
        std::string Value;
    };

    int Count() const { return static_cast<int>(items_.size()); }
    // Out-of-range positions give an empty text.
    const std::string& Name(int i) const;
    const std::string& Value(int i) const;
    // Looked up by bisection; of duplicates, the first in list order. Empty
    // text when there is none.
    const std::string& Value(std::string_view name) const;
    // Position of the first attribute with this name, or -1.
    int IndexOf(std::string_view name) const;

    void Add(std::string name, std::string value);
    // Replaces the list by attributes given in document order, as if each
    // were added in turn, at the cost of one sort.
    void Assign(std::vector<Attr> inDocumentOrder);
    // Adds attributes whose names are all absent from the list and distinct.
    void AddAbsent(std::vector<Attr> attrs);
    void SetValue(int i, std::string value);
    void Clear() { items_.clear(); }

private:
    std::vector<Attr> items_;
};

// Ordinal comparison of two UTF-8 texts by their UTF-16 code units: the order
// of TAttrList.
int compareUtf16Order(std::string_view a, std::string_view b);

class TXmlParser {
public:
    TXmlParser() = default;

    // Replaces the document by the file's bytes and switches normalization on.
    // Returns false, leaving an empty document, when the file cannot be read.
    bool LoadFromFile(const std::string& path);
    // The same from bytes in memory. An external DTD named by a relative
    // SYSTEM identifier is looked for in documentFolder; with an empty
    // folder only absolute ones are.
    void LoadFromBuffer(std::string_view bytes, std::string documentFolder = {});

    // Text parts trimmed and their white-space runs collapsed to one space;
    // whitespace-only text parts are then skipped.
    bool Normalize = true;

    // Rewinds to before the first part and clears the current part.
    void StartScan();
    // Moves to the next part; false at the end of the document.
    bool Scan();

    TPartType CurPartType() const { return curPartType_; }
    const std::string& CurName() const { return curName_; }
    const std::string& CurContent() const { return curContent_; }
    const TAttrList& CurAttr() const { return curAttr_; }
    // Upper case; kept from one document to the next.
    const std::string& CurEncoding() const { return curEncoding_; }
    // For documents whose format fixes the encoding when they declare none.
    void SetCurEncoding(std::string encoding) { curEncoding_ = std::move(encoding); }

private:
    struct AttrDecl {
        bool tokenized = false;
        bool hasDefault = false;
        std::string defaultRaw;  // bytes as written
    };
    // Finds the next ';' of a text scanned forward; remembers the last answer so
    // that a run of '&' without ';' after them costs one search, not one each.
    struct SemicolonFinder {
        size_t searchedFrom = 0;
        size_t found = std::string_view::npos;
        bool valid = false;
        size_t find(std::string_view bytes, size_t from);
    };

    size_t expandText(std::string_view bytes, size_t from, bool stopAtTag, SemicolonFinder& semicolons,
                      std::string& out, int depth);
    void resolveTextReference(std::string_view name, std::string& out, int depth);
    void expandAttrValue(std::string_view raw, std::string& out, int depth);
    std::string attrValue(std::string_view raw);
    size_t readAttributes(size_t pos, size_t end, TAttrList& attrs);
    size_t readAttributes(size_t pos, size_t end, std::vector<TAttrList::Attr>& attrs);
    void applyAttrDecls(const std::string& element, TAttrList& attrs);
    void appendDecoded(std::string& out, std::string_view raw) const;
    size_t scanDoctype(size_t pos);
    size_t readDeclarations(std::string_view dtd, size_t pos, bool internalSubset);
    void readDeclaration(std::string_view keyword, std::string_view body);
    void loadExternalDtd(const std::string& systemId);
    bool takeBudget(size_t bytes);

    std::string data_;
    bool fromUtf16_ = false;  // data_ is the UTF-8 text of a UTF-16 document
    std::string folder_;
    bool hasFolder_ = false;
    size_t pos_ = 0;
    TPartType curPartType_ = ptNone;
    std::string curName_;
    std::string curContent_;
    TAttrList curAttr_;
    std::string curEncoding_;

    // Declarations read from the document type declaration of this scan.
    std::map<std::string, std::string, std::less<>> entities_;  // name -> raw text
    // element -> attribute name -> declaration
    std::map<std::string, std::map<std::string, AttrDecl, std::less<>>, std::less<>> attrDecls_;
    // Entity expansion, attribute defaults and external DTDs all draw on one
    // budget per scan, so that no document can make the scanner work without end.
    size_t budget_ = 0;
    SemicolonFinder docSemicolons_;
};

class TXmlScanner {
public:
    using TagHandler = std::function<void(TXmlScanner& Sender, const std::string& TagName, const TAttrList& Attributes)>;
    using EndTagHandler = std::function<void(TXmlScanner& Sender, const std::string& TagName)>;
    using TextHandler = std::function<void(TXmlScanner& Sender, const std::string& Content)>;
    using AttrHandler = std::function<void(TXmlScanner& Sender, const TAttrList& Attributes)>;
    using PIHandler = std::function<void(TXmlScanner& Sender, const std::string& Target, const std::string& Content, const TAttrList& Attributes)>;
    using PlainHandler = std::function<void(TXmlScanner& Sender)>;

    bool LoadFromFile(const std::string& path) { return parser_.LoadFromFile(path); }
    void LoadFromBuffer(std::string_view bytes, std::string documentFolder = {}) {
        parser_.LoadFromBuffer(bytes, std::move(documentFolder));
    }
    bool& Normalize() { return parser_.Normalize; }
    const std::string& CurEncoding() const { return parser_.CurEncoding(); }

    // Scans from the start, calling the handler of each part's type; returns at
    // the end of the document or after a handler called StopExecute.
    void Execute();
    void StopExecute() { stop_ = true; }

    TagHandler OnStartTag;
    TagHandler OnEmptyTag;
    EndTagHandler OnEndTag;
    TextHandler OnContent;
    TextHandler OnCData;
    PlainHandler OnComment;
    AttrHandler OnXmlProlog;
    PIHandler OnPI;
    PlainHandler OnDtdRead;

private:
    TXmlParser parser_;
    bool stop_ = false;
};

}  // namespace epub
