#include "viewer/htmlview_ui.h"

#include "epub/chapterprep.h"
#include "platform/fileio.h"
#include "platform/fileurl.h"
#include "platform/json.h"

#include <chrono>
#include <filesystem>
#include <memory>

#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/webview.h>

#include <gtk/gtk.h>
#include <unistd.h>

namespace viewer {
namespace {

const char kScript[] =
#include "viewer/htmlview.js.inc"
    ;

constexpr auto kReloadTimeout = std::chrono::seconds(10);
// A script that has not answered by then never will (its document is gone).
constexpr auto kScriptTimeout = std::chrono::seconds(10);

// Numbers the pages that stand for missing files, one per view.
int missingPages = 0;

// Text for an HTML page, its markup characters escaped.
std::string escapedHtml(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string withoutFragment(std::string_view url) {
    return std::string(url.substr(0, url.find('#')));
}

// WebKit may spell a URL differently (escapes); compare what they name.
bool sameDocument(std::string_view a, std::string_view b) {
    return fileurl::percentDecode(withoutFragment(a)) == fileurl::percentDecode(withoutFragment(b));
}

// The key codes wxWidgets gives its key-down events, for the GDK keys.
int wxKeyCode(guint keyval) {
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) return WXK_F1 + static_cast<int>(keyval - GDK_KEY_F1);
    switch (keyval) {
        case GDK_KEY_Return: case GDK_KEY_KP_Enter: case GDK_KEY_ISO_Enter: return WXK_RETURN;
        case GDK_KEY_Escape: return WXK_ESCAPE;
        case GDK_KEY_Tab: case GDK_KEY_ISO_Left_Tab: case GDK_KEY_KP_Tab: return WXK_TAB;
        case GDK_KEY_BackSpace: return WXK_BACK;
        case GDK_KEY_Delete: case GDK_KEY_KP_Delete: return WXK_DELETE;
        case GDK_KEY_Insert: case GDK_KEY_KP_Insert: return WXK_INSERT;
        case GDK_KEY_Home: case GDK_KEY_KP_Home: return WXK_HOME;
        case GDK_KEY_End: case GDK_KEY_KP_End: return WXK_END;
        case GDK_KEY_Page_Up: case GDK_KEY_KP_Page_Up: return WXK_PAGEUP;
        case GDK_KEY_Page_Down: case GDK_KEY_KP_Page_Down: return WXK_PAGEDOWN;
        case GDK_KEY_Left: case GDK_KEY_KP_Left: return WXK_LEFT;
        case GDK_KEY_Right: case GDK_KEY_KP_Right: return WXK_RIGHT;
        case GDK_KEY_Up: case GDK_KEY_KP_Up: return WXK_UP;
        case GDK_KEY_Down: case GDK_KEY_KP_Down: return WXK_DOWN;
        case GDK_KEY_Shift_L: case GDK_KEY_Shift_R: return WXK_SHIFT;
        case GDK_KEY_Control_L: case GDK_KEY_Control_R: return WXK_CONTROL;
        case GDK_KEY_Alt_L: case GDK_KEY_Alt_R: case GDK_KEY_Meta_L: case GDK_KEY_Meta_R: return WXK_ALT;
        case GDK_KEY_space: case GDK_KEY_KP_Space: return WXK_SPACE;
        case GDK_KEY_Menu: return WXK_MENU;
        default: break;
    }
    // Letters come in upper case, as in wxWidgets' key-down events.
    const guint32 ch = gdk_keyval_to_unicode(gdk_keyval_to_upper(keyval));
    return static_cast<int>(ch);  // 0 for keys without a character
}

std::string toUtf8(const wxString& s) {
    const wxScopedCharBuffer buffer = s.utf8_str();
    return std::string(buffer.data(), buffer.length());
}

}  // namespace

HtmlView::HtmlView(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : wxWindow(parent, id, pos, size, wxBORDER_NONE) {
    web_ = wxWebView::New(this, wxID_ANY, wxWebViewDefaultURLStr, wxPoint(0, 0), GetClientSize());
    web_->EnableContextMenu(false);
    web_->AddUserScript(wxString::FromUTF8(kScript), wxWEBVIEW_INJECT_AT_DOCUMENT_START);
    web_->Bind(wxEVT_WEBVIEW_LOADED, &HtmlView::onLoaded, this);
    web_->Bind(wxEVT_WEBVIEW_SCRIPT_RESULT, &HtmlView::onScriptResult, this);
    // Keys are taken from the web view's own widget before WebKit acts on
    // them: wxWidgets sees only the keys the page has left unhandled.
    if (auto* widget = static_cast<GtkWidget*>(web_->GetNativeBackend()))
        g_signal_connect(widget, "key-press-event", G_CALLBACK(&HtmlView::onNativeKeyPress), this);
    Bind(wxEVT_SIZE, &HtmlView::onSize, this);
    // Only the document takes the focus: the frame around it must be no
    // nameless stop for the keyboard or the screen reader.
    gtk_widget_set_can_focus(GetHandle(), FALSE);
    gtk_widget_set_can_focus(GetConnectWidget(), FALSE);
}

HtmlView::~HtmlView() {
    if (auto* widget = static_cast<GtkWidget*>(web_->GetNativeBackend()))
        g_signal_handlers_disconnect_by_data(widget, this);
    std::error_code ec;
    if (!missingPage_.empty()) std::filesystem::remove(missingPage_, ec);
}

HtmlView* HtmlView::createMeasuringView(wxWindow* owner, const wxSize& size) {
    auto* view = new HtmlView(owner, wxID_ANY, wxPoint(10000, 10000), size);
    view->Hide();
    return view;
}

void HtmlView::setDocumentCompleteHandler(std::function<void(HtmlView&)> handler) {
    onComplete_ = std::move(handler);
}

void HtmlView::setKeyDownHandler(std::function<void(HtmlView&, ViewKey&)> handler) {
    onKey_ = std::move(handler);
}

void HtmlView::Navigate(std::string_view filePath, std::string_view fragment) {
    // Always a whole load, fragment applied afterwards: a fragment-only
    // change would not load, and so would never complete.
    expectedUrl_ = fileurl::fileUrlFromPath(filePath);
    pendingFragment_ = std::string(fragment);
    navigating_ = true;
    reloading_ = false;
    lateReload_ = false;
    anyLoad_ = true;
    std::error_code ec;
    const std::filesystem::path file = fileio::toPath(filePath);
    if (!std::filesystem::is_regular_file(file, ec)) {
        // WebKit's own page for a file it cannot load says little, and not in
        // Italian. The reader is told in a page of our own, in the book's
        // colours, loaded from a file like any chapter so that it completes
        // like one.
        const std::string styleSheet =
            fileurl::fileUrlFromPath(fileio::fromPath(file.parent_path() / "ravelund.css"));
        if (missingPage_.empty())
            missingPage_ = std::filesystem::temp_directory_path(ec) /
                           ("ravelund-" + std::to_string(::getpid()) + "-" + std::to_string(++missingPages) + ".html");
        try {
            fileio::writeWholeFileAtomic(
                missingPage_, "<!DOCTYPE html><html lang=\"it\"><head><meta charset=\"utf-8\" />"
                              "<title>Capitolo mancante</title><link rel=\"stylesheet\" type=\"text/css\" href=\"" +
                                  escapedHtml(styleSheet) +
                                  "\" /></head><body><p>Questo capitolo non si trova nel libro: " +
                                  escapedHtml(fileio::fromPath(file.filename())) + "</p></body></html>");
            expectedUrl_ = fileurl::fileUrlFromPath(fileio::fromPath(missingPage_));
            pendingFragment_.clear();
        } catch (const fileio::FileError&) {
            // Without a page of our own WebKit's stands; nothing more to do.
        }
    }
    web_->LoadURL(wxString::FromUTF8(expectedUrl_));
}

void HtmlView::NavigateHref(std::string_view packageFolder, std::string_view href) {
    const size_t hash = href.find('#');
    const std::string fragment =
        hash == std::string_view::npos ? std::string() : fileurl::percentDecode(href.substr(hash + 1));
    Navigate(chapterprep::chapterFilePath(packageFolder, href), fragment);
}

bool HtmlView::Busy() const { return navigating_ || reloading_; }

void HtmlView::reloadDocument() {
    // A document still coming in is fresh from its file already.
    if (navigating_) return;
    reloading_ = true;
    web_->Reload(wxWEBVIEW_RELOAD_NO_CACHE);
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    const auto deadline = std::chrono::steady_clock::now() + kReloadTimeout;
    while (reloading_ && loop && std::chrono::steady_clock::now() < deadline) {
        loop->DispatchTimeout(10);
        if (wxTheApp) wxTheApp->ProcessPendingEvents();
    }
    // A reload that never finished leaves the document as it is; later
    // operations must not wait for it for ever, and its late end is not
    // reported as a new document.
    if (reloading_) lateReload_ = true;
    reloading_ = false;
}

void HtmlView::onLoaded(wxWebViewEvent& event) {
    // The URL this notification is about, before a later load changes it.
    const std::string url = toUtf8(event.GetURL());
    CallAfter([this, url] { processLoad(url); });
}

void HtmlView::processLoad(const std::string& url) {
    // A notification left over from an earlier load is not ours.
    if (navigating_ && !sameDocument(url, expectedUrl_)) return;
    const std::optional<json::Value> answer = call("claim", "[]", true);
    if (!answer || answer->items.size() != 2 || !answer->items[0].boolean) return;
    const std::string& documentUrl = answer->items[1].string;
    if (navigating_ && documentUrl != "about:blank" && !sameDocument(documentUrl, expectedUrl_))
        return;
    ++document_;
    if (!navigating_) {
        if (reloading_ || lateReload_) {
            reloading_ = false;
            lateReload_ = false;
            return;
        }
        // The empty page a view starts with is nobody's document.
        if (url.starts_with("about:")) return;
    }
    navigating_ = false;
    const std::string fragment = std::move(pendingFragment_);
    pendingFragment_.clear();
    if (!fragment.empty()) call("scrollToFragment", "[" + json::quote(fragment) + "]");
    if (onComplete_) onComplete_(*this);
}

int HtmlView::onNativeKeyPress(void* /*widget*/, void* gdkEvent, void* self) {
    const auto* event = static_cast<const GdkEventKey*>(gdkEvent);
    auto* view = static_cast<HtmlView*>(self);
    // WebKit hands a key the page left unhandled back to its widget as the
    // same event again, possibly after later keys; the handler must see each
    // key once.
    const RecentKey recent{event->time, event->keyval, event->hardware_keycode};
    for (const RecentKey& seen : view->recentKeys_)
        if (seen == recent) return FALSE;
    view->recentKeys_[view->nextRecentKey_] = recent;
    view->nextRecentKey_ = (view->nextRecentKey_ + 1) % view->recentKeys_.size();
    ViewKey key{wxKeyCode(event->keyval), (event->state & GDK_SHIFT_MASK) != 0,
                (event->state & GDK_MOD1_MASK) != 0, (event->state & GDK_CONTROL_MASK) != 0};
    const int code = key.keyCode;
    if (view->onKey_) view->onKey_(*view, key);
    if (code != 0 && key.keyCode == 0) return TRUE;
    if (key.ctrl && code == 'N') return TRUE;
    return FALSE;
}

void HtmlView::onSize(wxSizeEvent& event) {
    if (web_) web_->SetSize(GetClientSize());
    event.Skip();
}

void HtmlView::SetFocus() { web_->SetFocus(); }

std::optional<json::Value> HtmlView::call(std::string_view operation, const std::string& jsonArgs,
                                          bool evenWhenBusy) {
    if (!evenWhenBusy && Busy()) return std::nullopt;
    // A view that was never given a document never answers a script: the
    // call would wait for ever (closing a book whose opening failed).
    if (!anyLoad_) return std::nullopt;
    const std::string script = "window.__ravelund ? window.__ravelund.call(" + json::quote(operation) + ", " +
                               jsonArgs + ") : \"missing\"";
    std::optional<std::string> out = runScript(script);
    if (out == "missing") {
        // A document the user script did not reach (an error page, say).
        runScript(kScript);
        out = runScript(script);
    }
    if (!out) return std::nullopt;
    return json::parse(*out);
}

std::optional<std::string> HtmlView::runScript(std::string_view javascript) {
    // wxWebView's own synchronous call keeps one answer for the whole view
    // and handles every event while it waits: a command or a load handled
    // meanwhile that ran a script of its own took the other's answer.
    const unsigned long serial = ++lastScript_;
    // Stays valid while calls made during the wait add and remove their own.
    const auto slot = answers_.emplace(serial, ScriptAnswer{}).first;
    web_->RunScriptAsync(wxString::FromUTF8(javascript.data(), javascript.size()),
                         reinterpret_cast<void*>(serial));
    // Before the main loop runs (a program's start), a loop of our own.
    std::unique_ptr<wxEventLoopBase> ownLoop;
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    if (!loop) {
        ownLoop.reset(wxTheApp->GetTraits()->CreateEventLoop());
        loop = ownLoop.get();
    }
    const wxEventLoopActivator activate(loop);
    const auto deadline = std::chrono::steady_clock::now() + kScriptTimeout;
    // Timers and WebKit's own sources go on; user input and queued events
    // (load notifications among them) wait for the main loop.
    while (!slot->second.came && std::chrono::steady_clock::now() < deadline) loop->YieldFor(wxEVT_CATEGORY_TIMER);
    std::optional<std::string> value = std::move(slot->second.value);
    answers_.erase(slot);
    return value;
}

void HtmlView::onScriptResult(wxWebViewEvent& event) {
    const auto found = answers_.find(reinterpret_cast<unsigned long>(event.GetClientData()));
    // A script given up on answers to nobody.
    if (found == answers_.end()) return;
    found->second.came = true;
    if (!event.IsError()) found->second.value = toUtf8(event.GetString());
}

HtmlView::Element HtmlView::elementFrom(const std::optional<json::Value>& answer) {
    const int index = answer ? answer->toInt(-1) : -1;
    return index >= 0 ? Element{document_, index} : Element{};
}

std::string HtmlView::arg(const Element& e) const { return std::to_string(e.index); }

int HtmlView::verticalScrollPosition() {
    const auto answer = call("scrollTop", "[]");
    return answer ? answer->toInt(-1) : -1;
}

HtmlView::Element HtmlView::getElementById(std::string_view id) {
    return elementFrom(call("getElementById", "[" + json::quote(id) + "]"));
}

HtmlView::Element HtmlView::createAnchor(std::string_view href, std::string_view text,
                                         std::string_view id) {
    return elementFrom(call("createAnchor", "[" + json::quote(href) + "," + json::quote(text) +
                                                "," + json::quote(id) + "]"));
}

bool HtmlView::insertBefore(Element target, Element newElement) {
    if (!current(target.document) || !current(newElement.document) || !target || !newElement)
        return false;
    const auto answer = call("insertBefore", "[" + arg(target) + "," + arg(newElement) + "]");
    return answer && answer->boolean;
}

bool HtmlView::scrollIntoView(Element element) {
    if (!current(element.document) || !element) return false;
    const auto answer = call("scrollIntoView", "[" + arg(element) + "]");
    return answer && answer->boolean;
}

bool HtmlView::focusElement(Element element) {
    if (!current(element.document) || !element) return false;
    const auto answer = call("focus", "[" + arg(element) + "]");
    return answer && answer->boolean;
}

bool HtmlView::removeNode(Element element) {
    if (!current(element.document) || !element) return false;
    const auto answer = call("removeNode", "[" + arg(element) + "]");
    return answer && answer->boolean;
}

std::optional<int> HtmlView::offsetTop(Element element) {
    if (!current(element.document) || !element) return std::nullopt;
    const auto answer = call("offsetTop", "[" + arg(element) + "]");
    if (!answer || answer->kind != json::Value::Kind::Number) return std::nullopt;
    return answer->toInt(0);
}

std::string HtmlView::innerText(Element element) {
    if (!current(element.document) || !element) return {};
    const auto answer = call("innerText", "[" + arg(element) + "]");
    return answer ? answer->string : std::string();
}

int HtmlView::bodyAllCount() {
    const auto answer = call("bodyAllCount", "[]");
    return answer ? answer->toInt(0) : 0;
}

HtmlView::Element HtmlView::bodyAllItem(int index) {
    return elementFrom(call("bodyAllItem", "[" + std::to_string(index) + "]"));
}

std::optional<int> HtmlView::bodyScrollHeight() {
    const auto answer = call("scrollHeight", "[]");
    if (!answer || answer->kind != json::Value::Kind::Number) return std::nullopt;
    return answer->toInt(0);
}

void HtmlView::scrollTo(int x, int y) {
    call("scroll", "[" + std::to_string(x) + "," + std::to_string(y) + "]");
}

HtmlView::TextRange HtmlView::createTextRange() {
    const auto answer = call("createTextRange", "[]");
    const int index = answer ? answer->toInt(-1) : -1;
    return index >= 0 ? TextRange{document_, index} : TextRange{};
}

bool HtmlView::findText(TextRange& range, std::string_view text) {
    if (!current(range.document) || !range) return false;
    const auto answer =
        call("findText", "[" + std::to_string(range.index) + "," + json::quote(text) + "]");
    return answer && answer->boolean;
}

HtmlView::Element HtmlView::parentElement(const TextRange& range) {
    if (!current(range.document) || !range) return {};
    return elementFrom(call("parentElement", "[" + std::to_string(range.index) + "]"));
}

std::string HtmlView::htmlText(const TextRange& range) {
    if (!current(range.document) || !range) return {};
    const auto answer = call("htmlText", "[" + std::to_string(range.index) + "]");
    return answer ? answer->string : std::string();
}

bool HtmlView::pasteHTML(TextRange& range, std::string_view markup) {
    if (!current(range.document) || !range) return false;
    const auto answer =
        call("pasteHTML", "[" + std::to_string(range.index) + "," + json::quote(markup) + "]");
    return answer && answer->boolean;
}

bool HtmlView::scrollIntoView(const TextRange& range) {
    if (!current(range.document) || !range) return false;
    const auto answer = call("rangeScrollIntoView", "[" + std::to_string(range.index) + "]");
    return answer && answer->boolean;
}

HtmlView::Element HtmlView::firstElementAtOrBelow(int offset) {
    return elementFrom(call("firstElementAtOrBelow", "[" + std::to_string(offset) + "]"));
}

std::vector<HtmlView::WrappedMatch> HtmlView::wrapMatches(std::string_view text,
                                                          std::string_view before,
                                                          std::string_view middle,
                                                          std::string_view after, bool scrollEach) {
    std::vector<WrappedMatch> matches;
    const auto answer = call("wrapMatches", "[" + json::quote(text) + "," + json::quote(before) +
                                                "," + json::quote(middle) + "," +
                                                json::quote(after) + "," +
                                                (scrollEach ? "true" : "false") + "]");
    if (!answer) return matches;
    for (const json::Value& item : answer->items) {
        if (item.items.size() != 2) continue;
        matches.push_back({item.items[0].toInt(0), item.items[1].string});
    }
    return matches;
}

}  // namespace viewer
