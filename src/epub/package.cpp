#include "epub/package.h"

#include <unordered_map>
#include <vector>

#include "epub/navdoc.h"
#include "epub/toc.h"

namespace epub {
namespace {

bool isElement(const TXmlParser& parser) {
    return parser.CurPartType() == ptStartTag || parser.CurPartType() == ptEmptyTag;
}

// Attribute lookups go through the list by position, so that neither the
// order of attributes in a tag nor a duplicate name changes the result.
bool hasAttrValue(const TAttrList& attrs, std::string_view name, std::string_view value) {
    for (int i = 0; i < attrs.Count(); ++i)
        if (attrs.Name(i) == name && attrs.Value(i) == value) return true;
    return false;
}

int firstAttr(const TAttrList& attrs, std::string_view name) {
    for (int i = 0; i < attrs.Count(); ++i)
        if (attrs.Name(i) == name) return i;
    return -1;
}

std::string packagePathFrom(const std::string& folder, const std::string& fullPath) {
    return folder + "/" + fullPath;
}

}  // namespace

std::string containerDocumentPath(const std::string& folder) { return folder + "/META-INF/container.xml"; }

std::string packageFolderOf(const std::string& packagePath) {
    const size_t slash = packagePath.rfind('/');
    return slash == std::string::npos ? std::string() : packagePath.substr(0, slash + 1);
}

bool seekDeclaration(TXmlParser& parser) {
    while (parser.Scan())
        if (parser.CurPartType() == ptXmlProlog) return true;
    return false;
}

bool seekElement(TXmlParser& parser, std::string_view name) {
    while (parser.Scan())
        if (isElement(parser) && localName(parser.CurName()) == name) return true;
    return false;
}

bool seekElementContaining(TXmlParser& parser, std::string_view text) {
    while (parser.Scan())
        if (isElement(parser) && parser.CurName().find(text) != std::string::npos) return true;
    return false;
}

bool seekText(TXmlParser& parser) {
    while (parser.Scan())
        if (parser.CurPartType() == ptContent || parser.CurPartType() == ptCData) return true;
    return false;
}

void title_and_creator(const std::string& folder, std::string& title, std::string& creator) {
    std::string packagePath;
    {
        TXmlParser parser;
        parser.LoadFromFile(containerDocumentPath(folder));
        parser.Normalize = true;
        parser.StartScan();
        if (!seekDeclaration(parser)) return;
        while (seekElementContaining(parser, "rootfile")) {
            const TAttrList& attrs = parser.CurAttr();
            for (int i = 0; i < attrs.Count(); ++i)
                if (attrs.Name(i) == "full-path") packagePath = packagePathFrom(folder, attrs.Value(i));
        }
    }
    if (packagePath.empty()) return;
    TXmlParser parser;
    parser.LoadFromFile(packagePath);
    readTitleAndCreator(parser, title, creator);
}

void readTitleAndCreator(TXmlParser& parser, std::string& title, std::string& creator) {
    parser.Normalize = true;
    parser.StartScan();
    if (seekElementContaining(parser, ":title") && seekText(parser)) title = parser.CurContent();
    if (seekElementContaining(parser, ":creator") && seekText(parser)) creator = parser.CurContent();
}

std::string packageDocumentPath(const std::string& folder) {
    TXmlParser parser;
    parser.LoadFromFile(containerDocumentPath(folder));
    parser.Normalize = true;
    parser.StartScan();
    std::string packagePath;
    if (!seekDeclaration(parser)) return packagePath;
    while (seekElement(parser, "rootfile")) {
        const TAttrList& attrs = parser.CurAttr();
        for (int i = 0; i < attrs.Count(); ++i)
            if (attrs.Name(i) == "full-path") packagePath = packagePathFrom(folder, attrs.Value(i));  // the last one wins
    }
    return packagePath;
}

std::string findHref_forID(const std::string& packagePath, const std::string& id, std::string_view mediaType) {
    TXmlParser parser;
    parser.LoadFromFile(packagePath);
    parser.Normalize = true;
    parser.StartScan();
    while (seekElement(parser, "item")) {
        const TAttrList& attrs = parser.CurAttr();
        const int href = firstAttr(attrs, "href");
        if (href >= 0 && hasAttrValue(attrs, "media-type", mediaType) && hasAttrValue(attrs, "id", id))
            return attrs.Value(href);
    }
    return {};
}

std::string getTOCfile(const std::string& packagePath, std::string& epubfolderdoc) {
    TXmlParser parser;
    parser.LoadFromFile(packagePath);
    parser.Normalize = true;
    parser.StartScan();
    while (seekElement(parser, "item")) {
        const TAttrList& attrs = parser.CurAttr();
        const int href = firstAttr(attrs, "href");
        if (href >= 0 && hasAttrValue(attrs, "media-type", kNcxMediaType)) {
            epubfolderdoc = packageFolderOf(packagePath);
            return epubfolderdoc + attrs.Value(href);
        }
    }
    return {};
}

TocDocuments readSpine(const std::string& packagePath, TMySpineList& MySpineList,
                       const std::function<void()>& dispatchPending) {
    TXmlParser parser;
    parser.LoadFromFile(packagePath);
    return readSpine(parser, MySpineList, dispatchPending);
}

TocDocuments readSpine(TXmlParser& parser, TMySpineList& MySpineList,
                       const std::function<void()>& dispatchPending) {
    parser.Normalize = true;
    parser.StartScan();
    // One pass gathers what findHref_forID would find for every id (the first
    // matching item, even one with an empty href) and the itemrefs in order.
    std::unordered_map<std::string, std::string> chapterHref;
    std::vector<std::string> idrefs;
    TocDocuments toc;
    while (parser.Scan()) {
        if (!isElement(parser)) continue;
        const std::string_view name = localName(parser.CurName());
        const TAttrList& attrs = parser.CurAttr();
        if (name == "item") {
            const int href = firstAttr(attrs, "href");
            if (href < 0) continue;
            if (hasAttrValue(attrs, "media-type", kXhtmlMediaType))
                for (int i = 0; i < attrs.Count(); ++i)
                    if (attrs.Name(i) == "id") chapterHref.emplace(attrs.Value(i), attrs.Value(href));
            if (!toc.ncxHref && hasAttrValue(attrs, "media-type", kNcxMediaType)) toc.ncxHref = attrs.Value(href);
            if (!toc.navHref)
                for (int i = 0; i < attrs.Count(); ++i)
                    if (attrs.Name(i) == "properties" && hasToken(attrs.Value(i), "nav")) {
                        toc.navHref = attrs.Value(href);
                        break;
                    }
        } else if (name == "itemref") {
            const int idref = firstAttr(attrs, "idref");
            if (idref >= 0) idrefs.push_back(attrs.Value(idref));
        }
    }
    for (const std::string& idref : idrefs) {
        const auto found = chapterHref.find(idref);
        if (found == chapterHref.end() || found->second.empty()) continue;
        if (dispatchPending) dispatchPending();
        MySpineList.Add(TMySpine{found->second});
    }
    return toc;
}

FillIndexResult FillIndex(const std::string& folder, TXmlScanner& XmlScanner1, TMySpineList& MySpineList,
                          TMyIndexList& MyIndexList, std::string& epubfolderdoc,
                          const std::function<void()>& dispatchPending) {
    FillIndexResult result;
    epubfolderdoc.clear();
    const std::string packagePath = packageDocumentPath(folder);
    if (packagePath.empty()) return result;
    epubfolderdoc = packageFolderOf(packagePath);
    const TocDocuments toc = readSpine(packagePath, MySpineList, dispatchPending);
    if (toc.ncxHref) {
        // What getTOCfile would give, from the same pass: the NCX is found by
        // its media type alone, its href taken relative to the package folder.
        result.ncxFound = true;
        result.error = readTableOfContents(XmlScanner1, epubfolderdoc + *toc.ncxHref, MySpineList, MyIndexList);
    } else if (toc.navHref) {
        result.navRead = true;
        readNavigationDocument(epubfolderdoc, *toc.navHref, MySpineList, MyIndexList);
    }
    return result;
}

}  // namespace epub
