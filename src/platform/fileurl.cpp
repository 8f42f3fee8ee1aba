#include "platform/fileurl.h"

#include "platform/fileio.h"

#include <filesystem>

namespace fileurl {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '.' || c == '_' || c == '~';
}

}  // namespace

std::string percentDecode(std::string_view href) {
    std::string out;
    out.reserve(href.size());
    for (size_t i = 0; i < href.size(); ++i) {
        if (href[i] == '%' && i + 2 < href.size() && hexValue(href[i + 1]) >= 0 &&
            hexValue(href[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hexValue(href[i + 1]) * 16 + hexValue(href[i + 2])));
            i += 2;
        } else {
            out.push_back(href[i]);
        }
    }
    return out;
}

std::string percentEncodePath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (isUnreserved(c) || c == '/') {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        }
    }
    return out;
}

std::string fileUrlFromPath(std::string_view utf8Path) {
    std::filesystem::path p = fileio::toPath(utf8Path);
    if (!p.is_absolute()) {
        std::error_code ec;
        const std::filesystem::path abs = std::filesystem::absolute(p, ec);
        if (!ec) p = abs;
    }
    // absolute() keeps a trailing separator, which a folder URL needs.
    return "file://" + percentEncodePath(fileio::fromPath(p));
}

}  // namespace fileurl
