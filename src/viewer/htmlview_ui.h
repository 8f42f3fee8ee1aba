// The HTML view in which chapters are shown and measured: a wxWebView with
// the document operations the reading window, pagination, find and search
// need. The document work is done by our own script in the page; each
// operation is one script call.
//
// Contract:
// - one Navigate gives exactly one document-complete notification, also when
//   only the fragment differs from the document shown (a newer Navigate
//   before the completion replaces the older one, which then reports none);
// - reloadDocument() reloads from the file, dropping every change made in
//   memory, reports no completion, and has finished when it returns;
// - every operation is safe while a load is in progress (reads give their
//   "unreadable" value, changes do nothing) and when the element or range
//   asked for does not exist. Element and range handles belong to one
//   document: on any other they name nothing.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <wx/window.h>

class wxWebView;
class wxWebViewEvent;
namespace json { struct Value; }

namespace viewer {

// A key arriving at the view, before the view acts on it. A handler that sets
// keyCode to 0 swallows the key.
struct ViewKey {
    int keyCode = 0;
    bool shift = false;
    bool alt = false;
    bool ctrl = false;
};

class HtmlView : public wxWindow {
public:
    struct Element {
        long document = -1;
        int index = -1;
        explicit operator bool() const { return index >= 0; }
    };
    struct TextRange {
        long document = -1;
        int index = -1;
        explicit operator bool() const { return index >= 0; }
    };
    // A match wrapped by wrapMatches: the smallest element holding it.
    struct WrappedMatch {
        int parentOffsetTop = 0;
        std::string parentInnerText;
    };

    HtmlView(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
             const wxSize& size = wxDefaultSize);
    ~HtmlView() override;

    // A hidden view of the given size owned by `owner`, placed out of sight,
    // for measuring documents as the visible view would lay them out.
    static HtmlView* createMeasuringView(wxWindow* owner, const wxSize& size);

    // Called once per completed document, with this view.
    void setDocumentCompleteHandler(std::function<void(HtmlView&)> handler);
    // Called for every key that reaches the view. Ctrl+N is swallowed after
    // the handler has seen it.
    void setKeyDownHandler(std::function<void(HtmlView&, ViewKey&)> handler);

    // Starts loading a file (a plain path, not URL-encoded), then brings the
    // element with the id (or anchor name) `fragment` into view, if given.
    // A file that is missing (or no regular file) is shown as a page saying
    // so, which completes like any document.
    void Navigate(std::string_view filePath, std::string_view fragment = {});
    // The same for a book href (URL form, optionally with "#fragment")
    // relative to the package folder.
    void NavigateHref(std::string_view packageFolder, std::string_view href);
    bool Busy() const;
    // Reloads the document from its file; see the contract above.
    void reloadDocument();

    // The document's vertical scroll offset in pixels, -1 when unreadable.
    int verticalScrollPosition();
    void SetFocus() override;
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }
    wxWebView* webView() const { return web_; }
    // Runs a script in the document and gives its value as text; nothing
    // when it fails or no answer comes in time. Every operation is one such
    // call. The wait for the answer handles neither user input nor queued
    // events, so no command and no load notification runs in the middle of
    // it, and calls made meanwhile (from a timer, say) each get their own
    // answer.
    std::optional<std::string> runScript(std::string_view javascript);

    // Document operations.
    Element getElementById(std::string_view id);
    // createElement("A") with its href, innerText and id set; not yet inserted.
    Element createAnchor(std::string_view href, std::string_view text, std::string_view id);
    // insertAdjacentElement("beforebegin"): newElement becomes target's preceding sibling.
    bool insertBefore(Element target, Element newElement);
    bool scrollIntoView(Element element);  // element top to view top
    bool focusElement(Element element);    // true when the element has the focus
    bool removeNode(Element element);      // with its content
    std::optional<int> offsetTop(Element element);
    std::string innerText(Element element);
    int bodyAllCount();                    // 0 when unreadable
    Element bodyAllItem(int index);
    std::optional<int> bodyScrollHeight();
    void scrollTo(int x, int y);

    // Text range over the body.
    TextRange createTextRange();
    // Searches forward, ignoring case, any substring; the range becomes the match.
    bool findText(TextRange& range, std::string_view text);
    Element parentElement(const TextRange& range);
    std::string htmlText(const TextRange& range);
    // Replaces the range's content; the next findText continues after it.
    bool pasteHTML(TextRange& range, std::string_view markup);
    bool scrollIntoView(const TextRange& range);

    // Whole loops in one call each. The first body element whose offsetTop is
    // at least offset:
    Element firstElementAtOrBelow(int offset);
    // Every match of text (as findText finds them) replaced by before + n +
    // middle + the match's markup + after, n counting from 1; with
    // scrollEach each wrapped match is scrolled to the top in turn.
    std::vector<WrappedMatch> wrapMatches(std::string_view text, std::string_view before,
                                          std::string_view middle, std::string_view after,
                                          bool scrollEach);

private:
    std::optional<json::Value> call(std::string_view operation, const std::string& jsonArgs,
                                    bool evenWhenBusy = false);
    Element elementFrom(const std::optional<json::Value>& answer);
    std::string arg(const Element& e) const;
    bool current(long document) const { return document == document_ && !Busy(); }

    void onLoaded(wxWebViewEvent& event);
    void processLoad(const std::string& url);
    void onScriptResult(wxWebViewEvent& event);
    // GTK signal handler: (GtkWidget*, GdkEventKey*, HtmlView*) -> gboolean.
    static int onNativeKeyPress(void* widget, void* gdkEvent, void* self);
    void onSize(wxSizeEvent& event);

    wxWebView* web_ = nullptr;
    std::function<void(HtmlView&)> onComplete_;
    std::function<void(HtmlView&, ViewKey&)> onKey_;
    std::string expectedUrl_;       // URL of the navigation under way
    std::string pendingFragment_;
    bool navigating_ = false;
    bool reloading_ = false;
    bool lateReload_ = false;       // a reload given up on, whose end is still to come
    bool anyLoad_ = false;          // a document was ever asked for
    std::filesystem::path missingPage_;  // the page that stands for a missing file
    struct ScriptAnswer {
        bool came = false;
        std::optional<std::string> value;  // nothing for a failed script
    };
    unsigned long lastScript_ = 0;  // serial of the newest script sent
    std::map<unsigned long, ScriptAnswer> answers_;  // of the scripts waited for, by serial
    long document_ = 0;             // serial of the document shown
    struct RecentKey {
        unsigned time = 0;
        unsigned keyval = 0;
        unsigned keycode = 0;
        friend bool operator==(const RecentKey&, const RecentKey&) = default;
    };
    std::array<RecentKey, 16> recentKeys_{};  // key presses seen lately, to know them again
    size_t nextRecentKey_ = 0;
};

}  // namespace viewer
