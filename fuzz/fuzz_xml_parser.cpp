// The pull form of the XML scanner on arbitrary documents. The first byte
// chooses the options: bit 0 normalization, bit 1 a UTF-8 encoding state
// left by an earlier document, bit 2 a document folder for external DTDs.
// After the document, past a file separator, come the bytes of "ext.dtd" in
// that folder. Every text handed out must be UTF-8, every attribute list
// ordered, and a second scan of the same document must give the same parts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "epub/xmlscanner.h"
#include "fuzz_common.h"
#include "platform/textconv.h"

namespace {

struct Part {
    epub::TPartType type;
    std::string name, content;
    std::vector<std::pair<std::string, std::string>> attrs;
    bool operator==(const Part&) const = default;
};

void check(bool condition) {
    if (!condition) std::abort();
}

std::vector<Part> scanAll(epub::TXmlParser& parser) {
    std::vector<Part> parts;
    parser.StartScan();
    while (parser.Scan()) {
        Part part{parser.CurPartType(), parser.CurName(), parser.CurContent(), {}};
        check(part.type != epub::ptNone);
        check(text::isValidUtf8(part.name));
        check(text::isValidUtf8(part.content));
        const epub::TAttrList& attrs = parser.CurAttr();
        for (int i = 0; i < attrs.Count(); ++i) {
            check(text::isValidUtf8(attrs.Name(i)));
            check(text::isValidUtf8(attrs.Value(i)));
            if (i > 0) check(epub::compareUtf16Order(attrs.Name(i - 1), attrs.Name(i)) <= 0);
            // Lookup by name finds the first of equal names.
            check(attrs.IndexOf(attrs.Name(i)) <= i);
            part.attrs.emplace_back(attrs.Name(i), attrs.Value(i));
        }
        check(attrs.Name(attrs.Count()).empty() && attrs.Value(-1).empty());
        parts.push_back(std::move(part));
    }
    return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const unsigned flags = data[0];
    const auto files = fuzzsupport::splitInput(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), 2);
    const auto& folder = fuzzsupport::scratchFolder();
    fuzzsupport::writeFile(folder / "ext.dtd", files[1]);

    epub::TXmlParser parser;
    if (flags & 2) parser.SetCurEncoding("UTF-8");
    parser.LoadFromBuffer(files[0], (flags & 4) ? folder.string() : std::string());
    parser.Normalize = (flags & 1) != 0;
    const std::string encodingBefore = parser.CurEncoding();
    const std::vector<Part> first = scanAll(parser);
    // The second scan starts from the encoding the first one ended with,
    // which may differ; only with no declaration in play must it repeat.
    if (parser.CurEncoding() == encodingBefore) check(scanAll(parser) == first);
    return 0;
}
