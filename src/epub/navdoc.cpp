#include "epub/navdoc.h"

#include <vector>

#include "epub/toc.h"

namespace epub {
namespace {



bool isTocNav(const TAttrList& attrs) {
    for (int i = 0; i < attrs.Count(); ++i) {
        const std::string& name = attrs.Name(i);
        if (name.find(':') != std::string::npos && localName(name) == "type" && hasToken(attrs.Value(i), "toc"))
            return true;
    }
    return false;
}

bool hasUrlScheme(std::string_view href) {
    if (href.empty() || !((href[0] >= 'A' && href[0] <= 'Z') || (href[0] >= 'a' && href[0] <= 'z'))) return false;
    for (size_t i = 1; i < href.size(); ++i) {
        const char c = href[i];
        if (c == ':') return true;
        const bool schemeChar = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '+' || c == '-' || c == '.';
        if (!schemeChar) return false;
    }
    return false;
}

struct ListItem {
    int level = 0;
    bool hasEntry = false;
};

}  // namespace

std::string resolveNavHref(std::string_view navHref, std::string_view href) {
    if (hasUrlScheme(href)) return {};
    const size_t hash = href.find('#');
    std::string_view path = href.substr(0, hash);
    const std::string_view fragment = hash == std::string_view::npos ? std::string_view() : href.substr(hash);
    if (!path.empty() && path[0] == '/') return {};  // outside the book's own paths
    const std::string_view navPath = navHref.substr(0, navHref.find('#'));
    std::string combined;
    if (path.empty()) {
        combined = std::string(navPath);  // a place in the navigation document itself
    } else {
        const size_t slash = navPath.rfind('/');
        combined = std::string(slash == std::string_view::npos ? std::string_view() : navPath.substr(0, slash + 1));
        combined += path;
    }
    std::vector<std::string_view> segments;
    const std::string_view all = combined;
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find('/', start);
        if (end == std::string_view::npos) end = all.size();
        const std::string_view segment = all.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty() && segments.back() != "..") segments.pop_back();
            else segments.push_back(segment);  // above the package folder: kept as written
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string result;
    for (size_t i = 0; i < segments.size(); ++i) {
        if (i) result += '/';
        result += segments[i];
    }
    return result + std::string(fragment);
}

void readNavigationDocument(TXmlParser& parser, std::string_view navHref, const TMySpineList& MySpineList,
                            TMyIndexList& MyIndexList) {
    parser.SetCurEncoding("UTF-8");
    // White space inside a link's text is kept until the link ends, so that
    // "Capitol<i>o</i>" stays one word.
    parser.Normalize = false;
    parser.StartScan();
    bool inToc = false;
    int navDepth = 0, olLevel = 0, order = 0;
    std::vector<ListItem> items;  // the li elements open around the scan position
    int openEntry = -1;           // entry whose a element is open
    int aDepth = 0;
    std::string label;

    auto closeLink = [&] {
        if (openEntry >= 0) MyIndexList.Get(openEntry).Value = collapseWhitespace(label);
        openEntry = -1;
        aDepth = 0;
        label.clear();
    };
    auto openLink = [&](const TAttrList& attrs) {
        if (items.empty() || items.back().hasEntry) return;
        ListItem& item = items.back();
        if (item.level < 1 || item.level > 3) return;
        const std::string& href = attrs.Value("href");
        if (href.empty()) return;
        std::string link = resolveNavHref(navHref, href);
        if (link.empty()) return;
        item.hasEntry = true;
        ++order;
        TMyIndex entry;
        entry.Level = item.level;
        entry.Link = std::move(link);
        entry.Order = order;
        entry.documentOrder = order;
        MyIndexList.Add(std::move(entry));
        openEntry = MyIndexList.Count() - 1;
        label.clear();
    };

    while (parser.Scan()) {
        const TPartType type = parser.CurPartType();
        const std::string_view name = localName(parser.CurName());
        if (!inToc) {
            if (type == ptStartTag && name == "nav" && isTocNav(parser.CurAttr())) {
                inToc = true;
                navDepth = 1;
            }
            continue;
        }
        if (type == ptStartTag) {
            if (name == "nav") {
                ++navDepth;
            } else if (name == "ol") {
                ++olLevel;
            } else if (name == "li") {
                if (openEntry >= 0) closeLink();  // an a left open does not swallow the next item
                items.push_back({olLevel, false});
            } else if (name == "a") {
                if (openEntry >= 0 || aDepth > 0) ++aDepth;
                else openLink(parser.CurAttr());
            }
        } else if (type == ptEmptyTag) {
            if (name == "a" && openEntry < 0) {
                openLink(parser.CurAttr());
                closeLink();
            }
        } else if (type == ptEndTag) {
            if (name == "nav") {
                if (--navDepth == 0) break;  // only the first table of contents
            } else if (name == "ol") {
                if (olLevel > 0) --olLevel;
            } else if (name == "li") {
                closeLink();
                if (!items.empty()) items.pop_back();
            } else if (name == "a") {
                if (aDepth > 0) --aDepth;
                else closeLink();
            }
        } else if ((type == ptContent || type == ptCData) && openEntry >= 0) {
            label += parser.CurContent();
        }
    }
    closeLink();
    finishTableOfContents(MyIndexList, MySpineList);
}

void readNavigationDocument(const std::string& packageFolder, const std::string& navHref,
                            const TMySpineList& MySpineList, TMyIndexList& MyIndexList) {
    TXmlParser parser;
    const std::string_view path = std::string_view(navHref).substr(0, navHref.find('#'));
    parser.LoadFromFile(packageFolder + std::string(path));
    readNavigationDocument(parser, navHref, MySpineList, MyIndexList);
}

}  // namespace epub
