#include "epub/toc.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace epub {

std::string_view localName(std::string_view name) {
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool hasToken(std::string_view list, std::string_view token) {
    const auto isWs = [](char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; };
    size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && isWs(list[i])) ++i;
        const size_t start = i;
        while (i < list.size() && !isWs(list[i])) ++i;
        if (i > start && list.substr(start, i - start) == token) return true;
    }
    return false;
}

bool readPlayOrder(std::string_view s, int& value) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size()) return false;
    std::uint64_t v = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        v = v * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (v > 0xFFFFFFFFull) return false;
    }
    if (hex) {
        // A hexadecimal number is a 32-bit pattern: $FFFFFFFF is -1.
        std::uint32_t bits = static_cast<std::uint32_t>(v);
        if (negative) bits = 0u - bits;
        value = static_cast<std::int32_t>(bits);
        return true;
    }
    if (negative ? v > 2147483648ull : v > 2147483647ull) return false;
    value = negative ? static_cast<int>(-static_cast<std::int64_t>(v)) : static_cast<int>(v);
    return true;
}

std::string invalidIntegerMessage(std::string_view value) {
    return "''" + std::string(value) + "'' is not a valid integer value";
}

std::optional<TMyIndex>* TNcxReader::current() {
    if (navpointlevel < 1 || navpointlevel > 3) return nullptr;
    return &MyIndexLevel[static_cast<size_t>(navpointlevel - 1)];
}

void TNcxReader::XmlScanner1StartTag(TXmlScanner& Sender, const std::string& TagName, const TAttrList& Attributes) {
    if (localName(TagName) != "navPoint") return;
    // One level per navPoint, whatever its attributes: a navPoint without a
    // play order must not put the levels of all later entries out of step.
    ++navpointlevel;
    ++navPointsStarted_;
    std::optional<TMyIndex>* slot = current();
    if (!slot) return;
    int order = lastOrder_;  // without a play order: right after the entry before it
    const int at = Attributes.IndexOf("playOrder");
    if (at >= 0 && !readPlayOrder(Attributes.Value(at), order)) {
        error = invalidIntegerMessage(Attributes.Value(at));
        slot->reset();
        Sender.StopExecute();
        return;
    }
    lastOrder_ = order;
    TMyIndex entry;
    entry.Level = navpointlevel;
    entry.Order = order;
    entry.documentOrder = navPointsStarted_;
    *slot = std::move(entry);
}

void TNcxReader::XmlScanner1EmptyTag(TXmlScanner&, const std::string& TagName, const TAttrList& Attributes) {
    if (localName(TagName) != "content") return;
    std::optional<TMyIndex>* slot = current();
    if (!slot || !*slot) return;
    for (int i = 0; i < Attributes.Count(); ++i)
        if (Attributes.Name(i) == "src") (*slot)->Link = Attributes.Value(i);
}

void TNcxReader::XmlScanner1EndTag(TXmlScanner&, const std::string& TagName) {
    if (localName(TagName) != "navPoint") return;
    if (std::optional<TMyIndex>* slot = current(); slot && *slot) {
        if (!(*slot)->Link.empty()) MyIndexList.Add(std::move(**slot));
        slot->reset();  // appended once at most
    }
    if (navpointlevel > 0) --navpointlevel;  // a stray end tag must not push later entries out of range
}

void TNcxReader::XmlScanner1Content(TXmlScanner&, const std::string& Content) {
    if (std::optional<TMyIndex>* slot = current(); slot && *slot) (*slot)->Value = Content;
}

namespace {

// Points the scanner's handlers at a reader for one pass, and takes them away
// again however the pass ends.
class HandlerBinding {
public:
    HandlerBinding(TXmlScanner& scanner, TNcxReader& reader) : scanner_(scanner) {
        scanner.OnStartTag = [&reader](TXmlScanner& s, const std::string& n, const TAttrList& a) { reader.XmlScanner1StartTag(s, n, a); };
        scanner.OnEmptyTag = [&reader](TXmlScanner& s, const std::string& n, const TAttrList& a) { reader.XmlScanner1EmptyTag(s, n, a); };
        scanner.OnEndTag = [&reader](TXmlScanner& s, const std::string& n) { reader.XmlScanner1EndTag(s, n); };
        scanner.OnContent = [&reader](TXmlScanner& s, const std::string& c) { reader.XmlScanner1Content(s, c); };
    }
    ~HandlerBinding() {
        scanner_.OnStartTag = nullptr;
        scanner_.OnEmptyTag = nullptr;
        scanner_.OnEndTag = nullptr;
        scanner_.OnContent = nullptr;
    }
    HandlerBinding(const HandlerBinding&) = delete;
    HandlerBinding& operator=(const HandlerBinding&) = delete;

private:
    TXmlScanner& scanner_;
};

std::string readLoaded(TXmlScanner& XmlScanner1, const TMySpineList& MySpineList, TMyIndexList& MyIndexList) {
    TNcxReader reader(MyIndexList);
    {
        HandlerBinding binding(XmlScanner1, reader);
        XmlScanner1.Execute();
    }
    if (!reader.error.empty()) return reader.error;
    finishTableOfContents(MyIndexList, MySpineList);
    return {};
}

}  // namespace

std::string readTableOfContents(TXmlScanner& XmlScanner1, const std::string& path,
                                const TMySpineList& MySpineList, TMyIndexList& MyIndexList) {
    XmlScanner1.LoadFromFile(path);
    return readLoaded(XmlScanner1, MySpineList, MyIndexList);
}

std::string readTableOfContentsFromBuffer(TXmlScanner& XmlScanner1, std::string_view bytes,
                                          const TMySpineList& MySpineList, TMyIndexList& MyIndexList) {
    XmlScanner1.LoadFromBuffer(bytes);
    return readLoaded(XmlScanner1, MySpineList, MyIndexList);
}

void finishTableOfContents(TMyIndexList& MyIndexList, const TMySpineList& MySpineList) {
    sortByOrder(MyIndexList);
    setSpineIndex(MyIndexList, MySpineList);
}

void sortByOrder(TMyIndexList& MyIndexList) {
    std::stable_sort(MyIndexList.begin(), MyIndexList.end(), [](const TMyIndex& a, const TMyIndex& b) {
        if (a.Order != b.Order) return a.Order < b.Order;
        return a.documentOrder < b.documentOrder;
    });
}

void setSpineIndex(TMyIndexList& MyIndexList, const TMySpineList& MySpineList) {
    std::unordered_map<std::string_view, int> lastIndex;
    lastIndex.reserve(static_cast<size_t>(MySpineList.Count()));
    for (int j = 0; j < MySpineList.Count(); ++j) lastIndex[MySpineList.Get(j).Value] = j;  // the last one counts
    for (TMyIndex& entry : MyIndexList) {
        const std::string_view link = entry.Link;
        const auto found = lastIndex.find(link.substr(0, link.find('#')));
        entry.spineIndex = found == lastIndex.end() ? kNoSpineIndex : found->second;
    }
}

std::vector<int> indexViewParents(const TMyIndexList& MyIndexList) {
    std::vector<int> parents;
    parents.reserve(static_cast<size_t>(MyIndexList.Count()));
    int latestLevel1 = -1, latestLevel2 = -1;
    for (int i = 0; i < MyIndexList.Count(); ++i) {
        const int level = std::clamp(MyIndexList.Get(i).Level, 1, 3);
        if (level == 1) {
            parents.push_back(kParentRoot);
            latestLevel1 = i;
        } else if (level == 2) {
            parents.push_back(latestLevel1 >= 0 ? latestLevel1 : kParentTopLevel);
            latestLevel2 = i;
        } else {
            parents.push_back(latestLevel2 >= 0 ? latestLevel2 : kParentTopLevel);
        }
    }
    return parents;
}

}  // namespace epub
