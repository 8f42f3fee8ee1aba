// Hrefs inside a book are URLs, not paths: "Text/ch%201.xhtml" names the file
// "Text/ch 1.xhtml". These turn hrefs into file paths and paths into the file
// URLs that the HTML view and the chapters' style-sheet links need.
#pragma once

#include <string>
#include <string_view>

namespace fileurl {

// Decodes %XX escapes (either case of hex digit) to their bytes; a "%" not
// followed by two hex digits stays as it is.
std::string percentDecode(std::string_view href);

// Percent-encodes every byte except the unreserved ASCII characters and "/",
// so any folder name (spaces, "#", "%", accented letters) survives in a URL.
std::string percentEncodePath(std::string_view path);

// "file://" URL of a path; a relative path is first made absolute against
// the current folder.
std::string fileUrlFromPath(std::string_view utf8Path);

}  // namespace fileurl
