// The event form of the XML scanner on arbitrary documents, with every
// handler set. The first byte chooses normalization (bit 0) and after how
// many events a handler stops the pass (the rest, 0 for never); the same
// scanner then reads the document a second time, as the reading window reads
// one document after another with one scanner.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "epub/xmlscanner.h"
#include "platform/textconv.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

void checkAttrs(const epub::TAttrList& attrs) {
    for (int i = 0; i < attrs.Count(); ++i) {
        check(text::isValidUtf8(attrs.Name(i)) && text::isValidUtf8(attrs.Value(i)));
        if (i > 0) check(epub::compareUtf16Order(attrs.Name(i - 1), attrs.Name(i)) <= 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const unsigned flags = data[0];
    const std::string_view document(reinterpret_cast<const char*>(data) + 1, size - 1);
    const unsigned stopAfter = flags >> 1;

    epub::TXmlScanner scanner;
    unsigned events = 0;
    bool stopped = false;
    auto event = [&](epub::TXmlScanner& sender) {
        check(&sender == &scanner);
        check(!stopped);  // no handler runs after StopExecute
        if (++events == stopAfter) {
            sender.StopExecute();
            stopped = true;
        }
    };
    scanner.OnStartTag = [&](epub::TXmlScanner& s, const std::string& name, const epub::TAttrList& attrs) {
        check(text::isValidUtf8(name));
        checkAttrs(attrs);
        event(s);
    };
    scanner.OnEmptyTag = scanner.OnStartTag;
    scanner.OnEndTag = [&](epub::TXmlScanner& s, const std::string& name) {
        check(text::isValidUtf8(name));
        event(s);
    };
    scanner.OnContent = [&](epub::TXmlScanner& s, const std::string& content) {
        check(text::isValidUtf8(content));
        event(s);
    };
    scanner.OnCData = scanner.OnContent;
    scanner.OnComment = [&](epub::TXmlScanner& s) { event(s); };
    scanner.OnXmlProlog = [&](epub::TXmlScanner& s, const epub::TAttrList& attrs) {
        checkAttrs(attrs);
        event(s);
    };
    scanner.OnPI = [&](epub::TXmlScanner& s, const std::string& target, const std::string& content,
                       const epub::TAttrList& attrs) {
        check(text::isValidUtf8(target) && text::isValidUtf8(content));
        checkAttrs(attrs);
        event(s);
    };
    scanner.OnDtdRead = [&](epub::TXmlScanner& s) { event(s); };

    scanner.Normalize() = (flags & 1) != 0;
    scanner.LoadFromBuffer(document);
    scanner.Execute();
    check(stopAfter == 0 || events <= stopAfter);

    // A second pass over the same scanner starts afresh.
    events = 0;
    stopped = false;
    scanner.LoadFromBuffer(document);
    scanner.Execute();
    return 0;
}
