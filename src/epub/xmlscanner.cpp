#include "epub/xmlscanner.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/fileio.h"
#include "platform/textconv.h"

namespace epub {
namespace {

constexpr auto npos = std::string_view::npos;
// What entity expansion, attribute defaults and external DTDs may add up to in
// one scan, and how deeply entities may refer to each other. Real books use a
// few bytes of either; past them a reference expands to nothing.
constexpr size_t kScanBudget = 1u << 20;
constexpr int kMaxEntityDepth = 16;
constexpr std::uintmax_t kMaxExternalDtd = 512u << 10;

const std::string kEmpty;

bool isWs(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

bool isNameStart(char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
           (c >= 192 && c != 215 && c != 247);
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

// The number of a character reference; false when it cannot be read. Values
// beyond any code point saturate, so that they come out as U+FFFD.
constexpr long kBeyondUnicode = 0x7FFFFFFF;

bool readDecimal(std::string_view s, long& value) {
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return false;
    long v = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return false;
        v = std::min(v * 10 + (c - '0'), kBeyondUnicode);
    }
    value = negative ? -v : v;
    return true;
}

bool readHex(std::string_view s, long& value) {
    if (s.empty()) return false;
    long v = 0;
    for (const char c : s) {
        if (!isHexDigit(c)) return false;
        v = std::min(v * 16 + hexValue(c), kBeyondUnicode);
    }
    value = v;
    return true;
}

bool predefinedEntity(std::string_view name, char& c) {
    if (name == "lt") c = '<';
    else if (name == "gt") c = '>';
    else if (name == "amp") c = '&';
    else if (name == "apos") c = '\'';
    else if (name == "quot") c = '"';
    else return false;
    return true;
}

std::string asciiUpper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool startsWith(std::string_view s, size_t pos, std::string_view prefix) {
    return pos <= s.size() && s.size() - pos >= prefix.size() && s.compare(pos, prefix.size(), prefix) == 0;
}

// Position just past the closing sequence found from `from`, or the end.
size_t pastClosing(std::string_view s, size_t from, std::string_view closing) {
    const size_t at = s.find(closing, from);
    return at == npos ? s.size() : at + closing.size();
}

// Declaration tokens: words, quoted literals and parenthesised groups.
struct DeclToken {
    std::string_view text;
    bool literal = false;
};

std::vector<DeclToken> tokenizeDeclaration(std::string_view body) {
    std::vector<DeclToken> tokens;
    size_t i = 0;
    while (i < body.size()) {
        const char c = body[i];
        if (isWs(c)) {
            ++i;
        } else if (c == '"' || c == '\'') {
            size_t end = body.find(c, i + 1);
            if (end == npos) end = body.size();
            tokens.push_back({body.substr(i + 1, end - i - 1), true});
            i = end + 1;
        } else if (c == '(') {
            size_t end = body.find(')', i + 1);
            end = end == npos ? body.size() : end + 1;
            tokens.push_back({body.substr(i, end - i), false});
            i = end;
        } else {
            const size_t start = i;
            while (i < body.size() && !isWs(body[i]) && body[i] != '"' && body[i] != '\'' && body[i] != '(') ++i;
            tokens.push_back({body.substr(start, i - start), false});
        }
    }
    return tokens;
}

}  // namespace

std::string collapseWhitespace(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    bool pendingSpace = false;
    for (const char c : s) {
        if (isWs(c)) {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace) out += ' ';
        pendingSpace = false;
        out += c;
    }
    return out;
}


// ---- TAttrList ----------------------------------------------------------

int compareUtf16Order(std::string_view a, std::string_view b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    if (i == a.size()) return i == b.size() ? 0 : -1;
    if (i == b.size()) return 1;
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    // UTF-8 byte order is code point order; UTF-16 differs only in putting the
    // surrogate pairs of U+10000 and above before U+E000..U+FFFF (lead bytes
    // EE and EF). Equal prefixes put both bytes at the same place of a character.
    const bool xSupplementary = x >= 0xF0, ySupplementary = y >= 0xF0;
    const bool xHighBmp = x == 0xEE || x == 0xEF, yHighBmp = y == 0xEE || y == 0xEF;
    if (xSupplementary && yHighBmp) return -1;
    if (xHighBmp && ySupplementary) return 1;
    return x < y ? -1 : 1;
}

const std::string& TAttrList::Name(int i) const {
    return i >= 0 && i < Count() ? items_[static_cast<size_t>(i)].Name : kEmpty;
}

const std::string& TAttrList::Value(int i) const {
    return i >= 0 && i < Count() ? items_[static_cast<size_t>(i)].Value : kEmpty;
}

int TAttrList::IndexOf(std::string_view name) const {
    const auto it = std::lower_bound(items_.begin(), items_.end(), name,
                                     [](const Attr& a, std::string_view n) { return compareUtf16Order(a.Name, n) < 0; });
    if (it == items_.end() || it->Name != name) return -1;
    return static_cast<int>(it - items_.begin());
}

const std::string& TAttrList::Value(std::string_view name) const { return Value(IndexOf(name)); }

void TAttrList::Add(std::string name, std::string value) {
    // Before any equal name: the attribute written later comes first.
    const auto it = std::lower_bound(items_.begin(), items_.end(), name,
                                     [](const Attr& a, const std::string& n) { return compareUtf16Order(a.Name, n) < 0; });
    items_.insert(it, Attr{std::move(name), std::move(value)});
}

namespace {
bool nameBefore(const TAttrList::Attr& a, const TAttrList::Attr& b) { return compareUtf16Order(a.Name, b.Name) < 0; }
}  // namespace

void TAttrList::Assign(std::vector<Attr> inDocumentOrder) {
    // Reversed, a stable sort leaves equal names with the later one first.
    std::reverse(inDocumentOrder.begin(), inDocumentOrder.end());
    std::stable_sort(inDocumentOrder.begin(), inDocumentOrder.end(), nameBefore);
    items_ = std::move(inDocumentOrder);
}

void TAttrList::AddAbsent(std::vector<Attr> attrs) {
    std::sort(attrs.begin(), attrs.end(), nameBefore);
    const auto middle = static_cast<std::ptrdiff_t>(items_.size());
    items_.insert(items_.end(), std::make_move_iterator(attrs.begin()), std::make_move_iterator(attrs.end()));
    std::inplace_merge(items_.begin(), items_.begin() + middle, items_.end(), nameBefore);
}

void TAttrList::SetValue(int i, std::string value) {
    if (i >= 0 && i < Count()) items_[static_cast<size_t>(i)].Value = std::move(value);
}

// ---- TXmlParser -----------------------------------------------------------

bool TXmlParser::LoadFromFile(const std::string& path) {
    std::string bytes;
    const auto p = fileio::toPath(path);
    std::error_code ec;
    // Only regular files: a folder or a device is no document.
    const bool ok = std::filesystem::is_regular_file(p, ec) && fileio::tryReadWholeFile(p, bytes);
    if (!ok) bytes.clear();
    const auto folder = p.parent_path();
    LoadFromBuffer(bytes, folder.empty() ? std::string(".") : fileio::fromPath(folder));
    return ok;
}

void TXmlParser::LoadFromBuffer(std::string_view bytes, std::string documentFolder) {
    // A document stored as UTF-16 is read as its UTF-8 text: taken byte by
    // byte, its zero bytes would end it after the first character. It is
    // known by its byte-order mark or by its first "<" and a zero byte.
    std::string converted;
    fromUtf16_ = false;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF") || bytes.starts_with(std::string_view("<\0", 2)) ||
        bytes.starts_with(std::string_view("\0<", 2))) {
        const bool bigEndian = bytes[0] == '\xFE' || bytes[0] == '\0';
        const bool mark = bytes[0] != '<' && bytes[0] != '\0';
        converted = text::utf16ToUtf8(text::utf16FromBytes(bytes.substr(mark ? 2 : 0), bigEndian));
        bytes = converted;
        fromUtf16_ = true;
        curEncoding_ = "UTF-8";
    }
    // The first zero byte ends the document.
    const size_t zero = bytes.find('\0');
    data_.assign(bytes.substr(0, zero == npos ? bytes.size() : zero));
    folder_ = std::move(documentFolder);
    hasFolder_ = !folder_.empty();
    Normalize = true;
    StartScan();
}

void TXmlParser::StartScan() {
    pos_ = 0;
    curPartType_ = ptNone;
    curName_.clear();
    curContent_.clear();
    curAttr_.Clear();
    entities_.clear();
    attrDecls_.clear();
    budget_ = kScanBudget;
    docSemicolons_ = SemicolonFinder{};
}

bool TXmlParser::takeBudget(size_t bytes) {
    bytes = std::max<size_t>(bytes, 1);
    if (bytes > budget_) {
        budget_ = 0;
        return false;
    }
    budget_ -= bytes;
    return true;
}

size_t TXmlParser::SemicolonFinder::find(std::string_view bytes, size_t from) {
    if (valid && from >= searchedFrom && (found == npos || from <= found)) return found;
    searchedFrom = from;
    found = bytes.find(';', from);
    valid = true;
    return found;
}

void TXmlParser::appendDecoded(std::string& out, std::string_view raw) const {
    if (raw.empty()) return;
    if (curEncoding_ == "UTF-8") {
        if (text::isValidUtf8(raw)) out.append(raw);
        else out += text::utf16ToUtf8(text::utf8ToUtf16(raw));
    } else {
        out += text::cp1252ToUtf8(raw);
    }
}

// Text from `from` up to '<' (when stopAtTag) or the end, with references
// replaced. A reference runs from '&' to the next ';' wherever it stands, tags
// included; a '&' with no ';' after it is dropped. Returns where the text ends.
size_t TXmlParser::expandText(std::string_view bytes, size_t from, bool stopAtTag, SemicolonFinder& semicolons,
                              std::string& out, int depth) {
    size_t i = from, run = from;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c == '<' && stopAtTag) break;
        if (c != '&') {
            ++i;
            continue;
        }
        appendDecoded(out, bytes.substr(run, i - run));
        const size_t semi = semicolons.find(bytes, i + 1);
        if (semi == npos) {
            run = i = i + 1;
            continue;
        }
        resolveTextReference(bytes.substr(i + 1, semi - i - 1), out, depth);
        run = i = semi + 1;
    }
    appendDecoded(out, bytes.substr(run, i - run));
    return i;
}

void TXmlParser::resolveTextReference(std::string_view name, std::string& out, int depth) {
    char c = 0;
    long code = 0;
    if (!name.empty() && name[0] == '#') {
        const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        const bool readable = hex ? readHex(name.substr(2), code) : readDecimal(name.substr(1), code);
        if (readable) text::appendUtf8(out, code);
        else out += ' ';
    } else if (predefinedEntity(name, c)) {
        out += c;
    } else if (const auto it = entities_.find(name); it != entities_.end()) {
        // The entity's text is read as if it stood in the document, as text:
        // markup in it stays text, references in it are replaced in turn.
        if (depth < kMaxEntityDepth && takeBudget(it->second.size())) {
            const std::string& body = it->second;
            SemicolonFinder semicolons;
            expandText(body, 0, false, semicolons, out, depth + 1);
        }
    } else {
        appendDecoded(out, name);
    }
}

// Attribute values: references end at the next ';' of the value itself; an
// unknown name stays as written, and so does a '&' with no ';' after it.
void TXmlParser::expandAttrValue(std::string_view raw, std::string& out, int depth) {
    SemicolonFinder semicolons;
    size_t i = 0, run = 0;
    while (i < raw.size()) {
        if (raw[i] != '&') {
            ++i;
            continue;
        }
        const size_t semi = semicolons.find(raw, i + 1);
        if (semi == npos) break;  // no reference from here on
        const std::string_view name = raw.substr(i + 1, semi - i - 1);
        char c = 0;
        long code = 0;
        if (!name.empty() && name[0] == '#') {
            appendDecoded(out, raw.substr(run, i - run));
            const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
            if (hex) {
                if (readHex(name.substr(2), code)) text::appendUtf8(out, code);
                else out += '\0';
            } else {
                if (readDecimal(name.substr(1), code)) text::appendUtf8(out, code);
                else out += ' ';
            }
        } else if (predefinedEntity(name, c)) {
            appendDecoded(out, raw.substr(run, i - run));
            out += c;
        } else if (const auto it = entities_.find(name); it != entities_.end()) {
            appendDecoded(out, raw.substr(run, i - run));
            if (depth < kMaxEntityDepth && takeBudget(it->second.size()))
                expandAttrValue(it->second, out, depth + 1);
        } else {
            i = semi + 1;  // stays as written, part of the run
            continue;
        }
        run = i = semi + 1;
    }
    appendDecoded(out, raw.substr(run));
}

std::string TXmlParser::attrValue(std::string_view raw) {
    std::string out;
    expandAttrValue(raw, out, 0);
    for (char& c : out)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return out;
}

size_t TXmlParser::readAttributes(size_t p, size_t end, TAttrList& attrs) {
    std::vector<TAttrList::Attr> read;
    const size_t stop = readAttributes(p, end, read);
    attrs.Assign(std::move(read));
    return stop;
}

// Reads attributes from pos until '>', a character that cannot begin a name,
// or `end`; returns where the reading stopped.
size_t TXmlParser::readAttributes(size_t p, size_t end, std::vector<TAttrList::Attr>& attrs) {
    const std::string_view d(data_.data(), end);
    for (;;) {
        while (p < end && isWs(d[p])) ++p;
        if (p >= end || d[p] == '>' || !isNameStart(d[p])) return std::min(p, end);
        const size_t nameStart = p;
        while (p < end && !isWs(d[p]) && d[p] != '/' && d[p] != '=' && d[p] != '>') ++p;
        std::string name = text::cp1252ToUtf8(d.substr(nameStart, p - nameStart));
        while (p < end && d[p] != '=' && d[p] != '>') ++p;
        if (p < end && d[p] == '=') {
            ++p;
            while (p < end && d[p] != '"' && d[p] != '\'' && d[p] != '>') ++p;
        }
        if (p >= end || d[p] == '>') {
            // A name without a value.
            attrs.push_back({std::move(name), std::string()});
            return std::min(p, end);
        }
        const char quote = d[p];
        const size_t valueStart = p + 1;
        size_t valueEnd = d.find(quote, valueStart);
        if (valueEnd == npos) valueEnd = end;
        attrs.push_back({std::move(name), attrValue(d.substr(valueStart, valueEnd - valueStart))});
        p = valueEnd < end ? valueEnd + 1 : end;
    }
}

void TXmlParser::applyAttrDecls(const std::string& element, TAttrList& attrs) {
    const auto it = attrDecls_.find(element);
    if (it == attrDecls_.end()) return;
    std::vector<TAttrList::Attr> defaults;
    for (const auto& [name, decl] : it->second) {
        // Each declaration looked at draws on the budget: a DTD of many
        // declarations and a document of many tags must not multiply.
        if (!takeBudget(1)) break;
        int i = attrs.IndexOf(name);
        if (i < 0) {
            if (!decl.hasDefault || !takeBudget(name.size() + decl.defaultRaw.size())) continue;
            std::string value = attrValue(decl.defaultRaw);
            defaults.push_back({name, decl.tokenized ? collapseWhitespace(value) : std::move(value)});
            continue;
        }
        if (!decl.tokenized) continue;
        for (; i < attrs.Count() && attrs.Name(i) == name; ++i) attrs.SetValue(i, collapseWhitespace(attrs.Value(i)));
    }
    if (!defaults.empty()) attrs.AddAbsent(std::move(defaults));
}

// After "<!DOCTYPE": the name and external identifier, the internal subset in
// square brackets, then the closing '>'. Returns the end of the part.
size_t TXmlParser::scanDoctype(size_t p) {
    const std::string_view d = data_;
    std::vector<DeclToken> tokens;
    while (p < d.size()) {
        const char c = d[p];
        if (c == '>') {
            ++p;
            break;
        }
        if (c == '[') {
            p = readDeclarations(d, p + 1, true);
            p = pastClosing(d, p, ">");
            break;
        }
        if (isWs(c)) {
            ++p;
        } else if (c == '"' || c == '\'') {
            size_t end = d.find(c, p + 1);
            if (end == npos) end = d.size();
            tokens.push_back({d.substr(p + 1, end - p - 1), true});
            p = std::min(end + 1, d.size());
        } else {
            const size_t start = p;
            while (p < d.size() && !isWs(d[p]) && d[p] != '>' && d[p] != '[' && d[p] != '"' && d[p] != '\'') ++p;
            tokens.push_back({d.substr(start, p - start), false});
        }
    }
    // The system identifier: the literal after SYSTEM, or the second after PUBLIC.
    for (size_t k = 0; k < tokens.size(); ++k) {
        if (tokens[k].literal) continue;
        size_t want = tokens[k].text == "SYSTEM" ? 1 : tokens[k].text == "PUBLIC" ? 2 : 0;
        if (want == 0) continue;
        for (size_t j = k + 1; j < tokens.size() && tokens[j].literal; ++j)
            if (--want == 0) {
                loadExternalDtd(std::string(tokens[j].text));
                break;
            }
        break;
    }
    return p;
}

// Reads the declarations of a DTD from pos; in an internal subset it stops
// after the closing ']'. Returns where it stopped.
size_t TXmlParser::readDeclarations(std::string_view dtd, size_t i, bool internalSubset) {
    while (i < dtd.size()) {
        const char c = dtd[i];
        if (internalSubset && c == ']') return i + 1;
        if (startsWith(dtd, i, "<!--")) {
            i = pastClosing(dtd, i + 4, "-->");
        } else if (startsWith(dtd, i, "<?")) {
            i = pastClosing(dtd, i + 2, "?>");
        } else if (startsWith(dtd, i, "<![")) {
            // Conditional sections of an external DTD are passed over whole.
            i = pastClosing(dtd, i + 3, "]]>");
        } else if (startsWith(dtd, i, "<!")) {
            size_t p = i + 2;
            const size_t keywordStart = p;
            while (p < dtd.size() && dtd[p] >= 'A' && dtd[p] <= 'Z') ++p;
            const std::string_view keyword = dtd.substr(keywordStart, p - keywordStart);
            const size_t bodyStart = p;
            while (p < dtd.size() && dtd[p] != '>') {
                if (dtd[p] == '"' || dtd[p] == '\'') {
                    const size_t close = dtd.find(dtd[p], p + 1);
                    p = close == npos ? dtd.size() : close + 1;
                } else {
                    ++p;
                }
            }
            readDeclaration(keyword, dtd.substr(bodyStart, std::min(p, dtd.size()) - bodyStart));
            i = std::min(p + 1, dtd.size());
        } else {
            ++i;  // white space, parameter-entity references, stray bytes
        }
    }
    return i;
}

void TXmlParser::readDeclaration(std::string_view keyword, std::string_view body) {
    const std::vector<DeclToken> t = tokenizeDeclaration(body);
    if (keyword == "ENTITY") {
        // Parameter entities serve only the DTD itself; they are not kept.
        if (t.size() < 2 || t[0].literal || t[0].text == "%") return;
        std::string name = text::cp1252ToUtf8(t[0].text);
        // An external entity is never fetched: it stands for nothing.
        std::string value = t[1].literal ? std::string(t[1].text) : std::string();
        entities_.emplace(std::move(name), std::move(value));  // the first declaration binds
        return;
    }
    if (keyword != "ATTLIST" || t.empty() || t[0].literal) return;
    auto& decls = attrDecls_[text::cp1252ToUtf8(t[0].text)];
    size_t k = 1;
    while (k + 1 < t.size()) {
        AttrDecl decl;
        std::string name = text::cp1252ToUtf8(t[k].text);
        const std::string_view type = t[k + 1].text;
        k += 2;
        if (type == "NOTATION" && k < t.size() && !t[k].literal && !t[k].text.empty() && t[k].text[0] == '(') ++k;
        decl.tokenized = type != "CDATA";
        if (k < t.size()) {
            if (t[k].text == "#FIXED" && !t[k].literal) ++k;
            if (k < t.size() && t[k].literal) {
                decl.hasDefault = true;
                decl.defaultRaw = std::string(t[k].text);
            }
            ++k;  // the default, or #REQUIRED / #IMPLIED
        }
        decls.emplace(std::move(name), std::move(decl));  // the first declaration binds
    }
}

void TXmlParser::loadExternalDtd(const std::string& systemId) {
    if (systemId.empty()) return;
    std::string path;
    if (systemId[0] == '/') path = systemId;
    else if (hasFolder_) path = folder_ + "/" + systemId;
    else return;
    const auto p = fileio::toPath(path);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(p, ec)) return;
    const std::uintmax_t size = std::filesystem::file_size(p, ec);
    if (ec || size > kMaxExternalDtd || !takeBudget(static_cast<size_t>(size))) return;
    std::string dtd;
    if (!fileio::tryReadWholeFile(p, dtd)) return;
    const size_t zero = dtd.find('\0');
    if (zero != npos) dtd.resize(zero);
    readDeclarations(dtd, 0, false);
}

bool TXmlParser::Scan() {
    const std::string_view d = data_;
    while (pos_ < d.size()) {
        const size_t p = pos_;
        if (startsWith(d, p, "<?xml") && p + 5 < d.size() && isWs(d[p + 5])) {
            size_t close = d.find("?>", p + 5);
            if (close == npos) close = d.size();
            TAttrList attrs;
            readAttributes(p + 5, close, attrs);
            const int enc = attrs.IndexOf("encoding");
            // The declaration of a UTF-16 document names the encoding it was
            // stored in, not the UTF-8 it has been turned into.
            curEncoding_ = enc < 0 || fromUtf16_ ? std::string("UTF-8") : asciiUpper(attrs.Value(enc));
            curPartType_ = ptXmlProlog;
            curName_.clear();
            curContent_.clear();
            curAttr_ = std::move(attrs);
            pos_ = std::min(close + 2, d.size());
        } else if (startsWith(d, p, "<?")) {
            size_t close = d.find("?>", p + 2);
            if (close == npos) close = d.size();
            size_t q = p + 2;
            while (q < close && !isWs(d[q])) ++q;
            curName_ = text::cp1252ToUtf8(d.substr(p + 2, q - p - 2));
            while (q < close && isWs(d[q])) ++q;
            curContent_.clear();
            appendDecoded(curContent_, d.substr(q, close - q));
            TAttrList attrs;
            readAttributes(q, close, attrs);
            curAttr_ = std::move(attrs);
            curPartType_ = ptPI;
            pos_ = std::min(close + 2, d.size());
        } else if (startsWith(d, p, "<!--")) {
            curPartType_ = ptComment;
            pos_ = pastClosing(d, p + 4, "-->");
        } else if (startsWith(d, p, "<!DOCTYPE")) {
            curPartType_ = ptDtdc;
            curName_.clear();
            curContent_.clear();
            pos_ = scanDoctype(p + 9);
        } else if (startsWith(d, p, "<![CDATA[")) {
            size_t close = d.find("]]>", p + 9);
            if (close == npos) close = d.size();
            curContent_.clear();
            appendDecoded(curContent_, d.substr(p + 9, close - p - 9));
            curPartType_ = ptCData;
            pos_ = std::min(close + 3, d.size());
        } else if (d[p] == '<') {
            size_t q = p + 1;
            const bool endTag = q < d.size() && d[q] == '/';
            if (endTag) ++q;
            const size_t nameStart = q;
            while (q < d.size() && !isWs(d[q]) && d[q] != '/' && d[q] != '>') ++q;
            std::string name = text::cp1252ToUtf8(d.substr(nameStart, q - nameStart));
            TAttrList attrs;
            const size_t stop = readAttributes(q, d.size(), attrs);
            const bool empty = !endTag && stop < d.size() && d[stop] == '/';
            pos_ = pastClosing(d, stop, ">");
            if (endTag) {
                curPartType_ = ptEndTag;
                attrs.Clear();
            } else {
                curPartType_ = empty ? ptEmptyTag : ptStartTag;
                applyAttrDecls(name, attrs);
            }
            curName_ = std::move(name);
            curAttr_ = std::move(attrs);
        } else {
            std::string content;
            pos_ = expandText(d, p, true, docSemicolons_, content, 0);
            if (Normalize) {
                content = collapseWhitespace(content);
                if (content.empty()) continue;
            }
            curPartType_ = ptContent;
            curContent_ = std::move(content);
        }
        return true;
    }
    return false;
}

// ---- TXmlScanner ----------------------------------------------------------

void TXmlScanner::Execute() {
    stop_ = false;
    parser_.StartScan();
    while (!stop_ && parser_.Scan()) {
        const TXmlParser& p = parser_;
        switch (p.CurPartType()) {
        case ptStartTag:
            if (OnStartTag) OnStartTag(*this, p.CurName(), p.CurAttr());
            break;
        case ptEmptyTag:
            if (OnEmptyTag) OnEmptyTag(*this, p.CurName(), p.CurAttr());
            break;
        case ptEndTag:
            if (OnEndTag) OnEndTag(*this, p.CurName());
            break;
        case ptContent:
            if (OnContent) OnContent(*this, p.CurContent());
            break;
        case ptCData:
            if (OnCData) OnCData(*this, p.CurContent());
            break;
        case ptComment:
            if (OnComment) OnComment(*this);
            break;
        case ptXmlProlog:
            if (OnXmlProlog) OnXmlProlog(*this, p.CurAttr());
            break;
        case ptPI:
            if (OnPI) OnPI(*this, p.CurName(), p.CurContent(), p.CurAttr());
            break;
        case ptDtdc:
            if (OnDtdRead) OnDtdRead(*this);
            break;
        case ptNone:
            break;
        }
    }
}

}  // namespace epub
