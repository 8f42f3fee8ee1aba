// The style sheet "ravelund.css" through which the reader's zoom and colour
// scheme reach every chapter (each chapter links it, see chapterprep.h).
#pragma once

#include "epub/chapterprep.h"

#include <string>
#include <string_view>
#include <vector>

namespace stylesheet {

inline constexpr std::string_view kFileName = "ravelund.css";

// The style sheet's text for a zoom percentage and colour scheme (0 white,
// 1 black, 2 sepia; any other value is taken as white): one ASCII line
// without terminator.
std::string styleSheetText(int zoom, int color);

// Where the style sheet goes: the folder of the first spine document.
std::string styleSheetPath(std::string_view packageFolder, std::string_view firstSpineHref);

// Writes the style sheet into the folder of the first spine document,
// replacing the file atomically. It is stored in `encoding` (the encoding of
// the last chapter document prepared in this run, ANSI before any) with that
// encoding's byte-order mark. A book with an empty spine gets none: returns
// false. Throws fileio::FileError when the file cannot be written.
bool writeStyleSheet(std::string_view packageFolder, const std::vector<std::string>& spineHrefs,
                     int zoom, int color,
                     chapterprep::TextEncoding encoding = chapterprep::TextEncoding::Ansi);

}  // namespace stylesheet
