#include "viewer/stylesheet.h"

#include "platform/fileio.h"

namespace stylesheet {
namespace {

struct Scheme {
    std::string_view background;
    std::string_view text;
    std::string_view extraRules;
};

// An unknown scheme reads as white, as every list of the program does,
// rather than leaving the colours empty.
Scheme schemeFor(int color) {
    switch (color) {
        case 1: return {"000000", "FFFFFF", "a:link{color:yellow;} a:visited{color:red;}"};
        case 2: return {"FBF0D9", "000000", ""};
        default: return {"FFFFFF", "000000", ""};
    }
}

}  // namespace

std::string styleSheetText(int zoom, int color) {
    const Scheme scheme = schemeFor(color);
    std::string css = "body { background-color:#";
    css += scheme.background;
    css += "; color:#";
    css += scheme.text;
    css += "; font-size:";
    css += std::to_string(zoom);
    css += "%;} ";
    css += scheme.extraRules;
    return css;
}

std::string styleSheetPath(std::string_view packageFolder, std::string_view firstSpineHref) {
    return chapterprep::chapterFolder(packageFolder, firstSpineHref) + std::string(kFileName);
}

bool writeStyleSheet(std::string_view packageFolder, const std::vector<std::string>& spineHrefs,
                     int zoom, int color, chapterprep::TextEncoding encoding) {
    if (spineHrefs.empty()) return false;
    std::string bytes(chapterprep::byteOrderMark(encoding));
    bytes += chapterprep::encodeAscii(styleSheetText(zoom, color), encoding);
    fileio::writeWholeFileAtomic(fileio::toPath(styleSheetPath(packageFolder, spineHrefs.front())),
                                 bytes);
    return true;
}

}  // namespace stylesheet
