#include "shell/helptext.h"

#include "platform/textconv.h"

namespace {

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out = text::utf16ToUtf8(text::utf16FromBytes(bytes, bigEndian));
    if (bytes.size() % 2 != 0) text::appendUtf8(out, 0xFFFD);  // a half code unit at the end
    return out;
}

std::string unifyLineEnds(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            out += '\n';
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else {
            out += s[i];
        }
    }
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

}  // namespace

std::string decodeHelpText(std::string_view bytes) {
    std::string utf8;
    if (bytes.starts_with("\xEF\xBB\xBF"))
        utf8 = text::utf16ToUtf8(text::utf8ToUtf16(bytes.substr(3)));
    else if (bytes.starts_with("\xFF\xFE"))
        utf8 = utf16ToUtf8(bytes.substr(2), false);
    else if (bytes.starts_with("\xFE\xFF"))
        utf8 = utf16ToUtf8(bytes.substr(2), true);
    else
        utf8 = text::cp1252ToUtf8(bytes);
    return unifyLineEnds(utf8);
}
