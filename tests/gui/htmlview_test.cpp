// The HTML view wrapper against a real WebKit view, with chapter files that
// the tests write into their own temporary folder.
#include "harness.h"

#include "platform/fileio.h"
#include "shell/program_ui.h"  // completes the harness's program type
#include "viewer/htmlview_ui.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <wx/frame.h>
#include <gtk/gtk.h>
#include <wx/uiaction.h>
#include <wx/webview.h>

namespace fs = std::filesystem;
using viewer::HtmlView;

namespace {

constexpr auto kSettle = std::chrono::milliseconds(400);

std::string chapter(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>t</title>"
           "<style>body{margin:0} p{margin:0;height:20px}</style></head><body>" +
           body + "</body></html>";
}

const std::string kLong = chapter(
    "<p id=\"top\">Inizio</p><div id=\"gap\" style=\"height:3000px\">spazio</div>"
    "<p id=\"fine\">Fine del capitolo</p><div style=\"height:600px\"></div>");

class HtmlViewTest : public gui::GuiTest {
protected:
    void SetUp() override {
        gui::GuiTest::SetUp();
        folder_ = fileio::fromPath(home()) + "/Libro #1 100% citt\xC3\xA0.epub/OEBPS/";
        fs::create_directories(fileio::toPath(folder_ + "Testo"));
        frame_ = new wxFrame(nullptr, wxID_ANY, "prova", wxDefaultPosition, wxSize(500, 400));
        view_ = new HtmlView(frame_);
        view_->setDocumentCompleteHandler([this](HtmlView&) { ++completions_; });
        frame_->Show();
        gui::processPending();
    }
    void TearDown() override {
        frame_->Destroy();
        gui::waitFor([] { return wxTopLevelWindows.empty(); }, std::chrono::seconds(5));
        gui::GuiTest::TearDown();
    }

    std::string put(const std::string& relative, const std::string& bytes) {
        fileio::writeWholeFileAtomic(fileio::toPath(folder_ + relative), bytes);
        return folder_ + relative;
    }
    // Navigates and waits for the one completion; then waits a little longer
    // for a second one that must not come.
    void navigateAndSettle(const std::string& path, const std::string& fragment = {}) {
        const int before = completions_;
        view_->Navigate(path, fragment);
        ASSERT_TRUE(gui::waitFor([&] { return completions_ > before; })) << path;
        gui::waitFor([&] { return completions_ > before + 1; }, kSettle);
        EXPECT_EQ(completions_, before + 1) << path << "#" << fragment;
        EXPECT_FALSE(view_->Busy());
    }

    std::string folder_;
    wxFrame* frame_ = nullptr;
    HtmlView* view_ = nullptr;
    int completions_ = 0;
};

TEST_F(HtmlViewTest, EveryNavigateCompletesOnceAlsoForFragmentOnlyChanges) {
    const std::string path = put("Testo/cap 1.xhtml", kLong);
    struct Step {
        const char* fragment;
        bool scrolled;
    };
    const Step steps[] = {{"", false}, {"fine", true}, {"fine", true}, {"", false}, {"top", false},
                          {"manca", false}};
    for (const Step& step : steps) {
        navigateAndSettle(path, step.fragment);
        const int y = view_->verticalScrollPosition();
        if (step.scrolled)
            EXPECT_GT(y, 2000) << step.fragment;
        else
            EXPECT_EQ(y, 0) << step.fragment;
    }
}

TEST_F(HtmlViewTest, OpensFilesInFoldersWithSpacesHashPercentAndAccents) {
    put("Testo/cap 1 \xC3\xA8.xhtml", kLong);
    const int before = completions_;
    view_->NavigateHref(folder_, "Testo/cap%201%20%C3%A8.xhtml#fine");
    ASSERT_TRUE(gui::waitFor([&] { return completions_ > before; }));
    const HtmlView::Element fine = view_->getElementById("fine");
    ASSERT_TRUE(fine);
    EXPECT_EQ(view_->innerText(fine), "Fine del capitolo");
    EXPECT_GT(view_->verticalScrollPosition(), 2000);
}

TEST_F(HtmlViewTest, MissingFileAndQuickSuccessionEachCompleteOnce) {
    const std::string a = put("a.xhtml", chapter("<p id=\"a\">A</p>"));
    const std::string b = put("b.xhtml", chapter("<p id=\"b\">B</p>"));
    navigateAndSettle(folder_ + "manca.xhtml");
    navigateAndSettle(a);

    const int before = completions_;
    view_->Navigate(b);
    view_->Navigate(a);
    view_->Navigate(b);
    ASSERT_TRUE(gui::waitFor([&] { return completions_ > before; }));
    gui::waitFor([&] { return completions_ > before + 1; }, kSettle);
    EXPECT_EQ(completions_, before + 1);
    EXPECT_TRUE(view_->getElementById("b"));
    EXPECT_FALSE(view_->getElementById("a"));
}

TEST_F(HtmlViewTest, ReloadDropsChangesReadsTheFileAndReportsNothing) {
    const std::string path = put("c.xhtml", chapter("<p id=\"p\">Prima</p>"));
    navigateAndSettle(path);
    const HtmlView::Element marker = view_->createAnchor("#local", "segno", "hitlink");
    ASSERT_TRUE(view_->insertBefore(view_->getElementById("p"), marker));
    ASSERT_TRUE(view_->getElementById("hitlink"));

    const int before = completions_;
    view_->reloadDocument();
    EXPECT_FALSE(view_->Busy());
    EXPECT_FALSE(view_->getElementById("hitlink"));
    EXPECT_TRUE(view_->getElementById("p"));
    // Handles of the document before the reload name nothing now.
    EXPECT_FALSE(view_->removeNode(marker));

    put("c.xhtml", chapter("<p id=\"q\">Dopo</p>"));
    view_->reloadDocument();
    EXPECT_EQ(view_->innerText(view_->getElementById("q")), "Dopo");
    gui::waitFor([&] { return completions_ > before; }, kSettle);
    EXPECT_EQ(completions_, before);
}

TEST_F(HtmlViewTest, OperationsAreSafeWhileLoadingAndOnMissingElements) {
    const std::string path = put("d.xhtml", kLong);
    navigateAndSettle(path);
    const HtmlView::Element old = view_->getElementById("top");
    ASSERT_TRUE(old);

    view_->Navigate(path);
    EXPECT_TRUE(view_->Busy());
    EXPECT_EQ(view_->verticalScrollPosition(), -1);
    EXPECT_FALSE(view_->getElementById("top"));
    EXPECT_FALSE(view_->bodyScrollHeight().has_value());
    EXPECT_EQ(view_->bodyAllCount(), 0);
    EXPECT_FALSE(view_->removeNode(old));
    HtmlView::TextRange loadingRange = view_->createTextRange();
    EXPECT_FALSE(view_->findText(loadingRange, "Fine"));
    EXPECT_TRUE(view_->wrapMatches("Fine", "<a>", "", "</a>", false).empty());
    view_->reloadDocument();  // nothing to drop yet; the load goes on
    EXPECT_TRUE(view_->Busy());
    const int before = completions_;
    ASSERT_TRUE(gui::waitFor([&] { return completions_ > before; }));

    EXPECT_FALSE(view_->focusElement(old));  // from the document before
    const HtmlView::Element none = view_->getElementById("manca");
    EXPECT_FALSE(none);
    EXPECT_FALSE(view_->offsetTop(none).has_value());
    EXPECT_EQ(view_->innerText(none), "");
    EXPECT_FALSE(view_->scrollIntoView(none));
    EXPECT_FALSE(view_->insertBefore(none, view_->createAnchor("#", "x", "y")));
    EXPECT_FALSE(view_->bodyAllItem(100000));
    EXPECT_FALSE(view_->bodyAllItem(-1));
    // A detached element can be neither focused nor scrolled to.
    const HtmlView::Element detached = view_->createAnchor("#", "x", "z");
    EXPECT_FALSE(view_->focusElement(detached));
    EXPECT_FALSE(view_->getElementById("z"));
}

TEST_F(HtmlViewTest, ACommandQueuedDuringAScriptRunsAfterItAndEachGetsItsOwnAnswer) {
    navigateAndSettle(put("s.xhtml", kLong));
    std::optional<std::string> queued;
    frame_->CallAfter([&] { queued = view_->runScript("'dopo'"); });
    EXPECT_EQ(view_->runScript("'prima'"), "prima");
    EXPECT_FALSE(queued.has_value());
    ASSERT_TRUE(gui::waitFor([&] { return queued.has_value(); }));
    EXPECT_EQ(queued, "dopo");
    EXPECT_FALSE(view_->runScript("throw new Error('guasto')").has_value());
    EXPECT_EQ(view_->runScript("document.getElementById('fine').textContent"), "Fine del capitolo");
}

TEST_F(HtmlViewTest, ElementOperations) {
    navigateAndSettle(put("e.xhtml", kLong));
    ASSERT_EQ(view_->bodyAllCount(), 4);
    const char* ids[] = {"top", "gap", "fine"};
    for (int i = 0; i < 3; ++i) {
        const HtmlView::Element e = view_->bodyAllItem(i);
        ASSERT_TRUE(e);
        EXPECT_EQ(e.index, view_->getElementById(ids[i]).index) << i;
    }
    const HtmlView::Element fine = view_->getElementById("fine");
    EXPECT_EQ(view_->offsetTop(fine), 3020);
    EXPECT_EQ(view_->offsetTop(view_->getElementById("top")), 0);
    EXPECT_EQ(view_->bodyScrollHeight(), 3640);
    EXPECT_EQ(view_->firstElementAtOrBelow(0).index, view_->getElementById("top").index);
    EXPECT_EQ(view_->firstElementAtOrBelow(1).index, view_->getElementById("gap").index);
    EXPECT_EQ(view_->firstElementAtOrBelow(21).index, fine.index);
    EXPECT_FALSE(view_->firstElementAtOrBelow(100000));

    view_->scrollTo(0, 700);
    EXPECT_EQ(view_->verticalScrollPosition(), 700);
    ASSERT_TRUE(view_->scrollIntoView(fine));
    EXPECT_EQ(view_->verticalScrollPosition(), 3020);

    // The jump marker: a link inserted before the element, which takes the focus.
    const HtmlView::Element marker = view_->createAnchor("#local", "", "hitlink");
    ASSERT_TRUE(view_->insertBefore(fine, marker));
    EXPECT_EQ(view_->bodyAllItem(2).index, marker.index);
    view_->SetFocus();
    EXPECT_TRUE(gui::waitFor([&] { return gui::hasFocus(view_->webView()); }));
    EXPECT_TRUE(view_->focusElement(marker));
    // Only the document itself takes the focus, not the frame around it.
    EXPECT_FALSE(gtk_widget_get_can_focus(view_->GetHandle()));
    EXPECT_FALSE(gtk_widget_get_can_focus(view_->GetConnectWidget()));
    ASSERT_TRUE(view_->removeNode(view_->getElementById("hitlink")));
    EXPECT_FALSE(view_->getElementById("hitlink"));
    EXPECT_EQ(view_->bodyAllCount(), 4);
}

TEST_F(HtmlViewTest, TextRangeFindsPastesAndContinuesAfterThePaste) {
    navigateAndSettle(put("f.xhtml", chapter(
        "<p id=\"p\">Una Casa e una ca<i>sa</i>, CASA, casale.</p><p id=\"q\">casa</p>")));
    HtmlView::TextRange range = view_->createTextRange();
    ASSERT_TRUE(range);
    struct Expected {
        const char* parent;
        const char* markup;
    };
    const Expected expected[] = {
        {"p", "Casa"}, {"p", "ca<i>sa</i>"}, {"p", "CASA"}, {"p", "casa"}, {"q", "casa"}};
    int n = 0;
    while (view_->findText(range, "casa")) {
        ASSERT_LT(n, 5);
        EXPECT_EQ(view_->parentElement(range).index, view_->getElementById(expected[n].parent).index) << n;
        const std::string markup = view_->htmlText(range);
        EXPECT_EQ(markup, expected[n].markup) << n;
        ++n;
        ASSERT_TRUE(view_->pasteHTML(range, "<a href=\"#local\" id=\"hitlink" + std::to_string(n) +
                                                "\">" + markup + "</a>"));
        EXPECT_TRUE(view_->scrollIntoView(range));
    }
    EXPECT_EQ(n, 5);
    for (int i = 1; i <= 5; ++i) EXPECT_TRUE(view_->getElementById("hitlink" + std::to_string(i))) << i;
    EXPECT_EQ(view_->innerText(view_->getElementById("p")), "Una Casa e una casa, CASA, casale.");
    HtmlView::TextRange empty = view_->createTextRange();
    EXPECT_FALSE(view_->findText(empty, ""));
}

TEST_F(HtmlViewTest, WrapMatchesNumbersEveryMatchInOneCall) {
    navigateAndSettle(put("g.xhtml", chapter(
        "<p id=\"p\">Casa, CASA e casale</p><div style=\"height:2000px\"></div><p>la casa</p>")));
    const auto matches = view_->wrapMatches(
        "casa", "<a href=\"#local\" id=\"hitlink",
        "\" style=\"color: #800000; text-decoration: none; background: #80FF80\" >", "</a>", true);
    ASSERT_EQ(matches.size(), 4u);
    EXPECT_EQ(matches[0].parentOffsetTop, 0);
    EXPECT_EQ(matches[0].parentInnerText, "Casa, CASA e casale");
    EXPECT_EQ(matches[3].parentOffsetTop, 2020);
    EXPECT_EQ(matches[3].parentInnerText, "la casa");
    EXPECT_GT(view_->verticalScrollPosition(), 1000);  // the last match was scrolled to
    EXPECT_EQ(view_->innerText(view_->getElementById("hitlink2")), "CASA");
    EXPECT_TRUE(view_->focusElement(view_->getElementById("hitlink1")));
    EXPECT_TRUE(view_->wrapMatches("", "<a>", "", "</a>", false).empty());
    EXPECT_TRUE(view_->wrapMatches("assente", "<a>", "", "</a>", false).empty());
}

TEST_F(HtmlViewTest, HiddenMeasuringViewMeasuresAsAVisibleOne) {
    std::string body;
    for (int i = 0; i < 60; ++i) body += "<div>Paragrafo di prova con qualche parola in pi\xC3\xB9.</div>";
    const std::string path = put("h.xhtml", chapter(body));
    view_->SetSize(frame_->GetClientSize());
    navigateAndSettle(path);
    const std::optional<int> visibleHeight = view_->bodyScrollHeight();
    ASSERT_TRUE(visibleHeight.has_value());

    HtmlView* measuring = HtmlView::createMeasuringView(frame_, view_->GetSize());
    int measured = 0;
    std::optional<int> height;
    measuring->setDocumentCompleteHandler([&](HtmlView& sender) {
        ++measured;
        height = sender.bodyScrollHeight();
    });
    measuring->Navigate(path);
    ASSERT_TRUE(gui::waitFor([&] { return measured > 0; }));
    EXPECT_FALSE(measuring->IsShown());
    EXPECT_EQ(measuring->GetSize(), view_->GetSize());
    EXPECT_EQ(height, visibleHeight);
    gui::waitFor([&] { return measured > 1; }, kSettle);
    EXPECT_EQ(measured, 1);
    measuring->Destroy();
}

TEST_F(HtmlViewTest, ViewDestroyedDuringALoadReportsNothing) {
    const std::string path = put("m.xhtml", kLong);
    int late = 0;
    HtmlView* measuring = HtmlView::createMeasuringView(frame_, wxSize(300, 200));
    measuring->setDocumentCompleteHandler([&](HtmlView&) { ++late; });
    measuring->Navigate(path);
    measuring->Destroy();
    // The visible view's load completes; the destroyed one's never reports.
    navigateAndSettle(path);
    gui::waitFor([&] { return late > 0; }, kSettle);
    EXPECT_EQ(late, 0);
}

TEST_F(HtmlViewTest, KeyHandlerSeesKeysFirstAndCanSwallowThem) {
    navigateAndSettle(put("k.xhtml", kLong));
    // What reaches the document is recorded by the document itself.
    ASSERT_TRUE(view_->runScript("window.keysSeen = []; document.addEventListener('keydown', function (e) {"
                                 " window.keysSeen.push(e.key); }, true); 'ok'"));
    const auto documentKeys = [this] { return view_->runScript("window.keysSeen.join(',')").value_or(""); };
    std::vector<viewer::ViewKey> seen;
    view_->setKeyDownHandler([&](HtmlView&, viewer::ViewKey& key) {
        seen.push_back(key);
        if (key.keyCode == WXK_END) key.keyCode = 0;
    });
    // Without a window manager WebKit's document takes key strokes only
    // after a click into it.
    wxUIActionSimulator sim;
    const wxRect r = view_->GetScreenRect();
    sim.MouseMove(r.GetLeft() + r.GetWidth() / 2, r.GetTop() + r.GetHeight() / 2);
    gui::processPending();
    sim.MouseClick();
    view_->SetFocus();
    ASSERT_TRUE(gui::waitFor([&] { return gui::hasFocus(view_->webView()); }));
    const auto press = [&](int keyCode, int modifiers) {
        sim.Char(keyCode, modifiers);
        gui::processPending();
    };

    press('F', wxMOD_CONTROL | wxMOD_SHIFT);
    ASSERT_TRUE(gui::waitFor([&] { return !seen.empty() && seen.back().keyCode == 'F'; }));
    EXPECT_TRUE(seen.back().ctrl);
    EXPECT_TRUE(seen.back().shift);
    EXPECT_FALSE(seen.back().alt);

    press(WXK_END, 0);
    press('N', wxMOD_CONTROL);
    press(WXK_HOME, 0);
    ASSERT_TRUE(gui::waitFor([&] { return documentKeys().ends_with("Home"); }));
    // Each key once, in order, whether the page handled it or not.
    std::vector<int> codes;
    for (const viewer::ViewKey& k : seen) codes.push_back(k.keyCode);
    const std::vector<int> expectedCodes = {WXK_SHIFT, WXK_CONTROL, 'F', WXK_END, WXK_CONTROL, 'N', WXK_HOME};
    EXPECT_EQ(codes, expectedCodes);
    const std::string keys = documentKeys();
    EXPECT_EQ(keys.find("End"), std::string::npos) << keys;
    EXPECT_EQ(keys.find(",n"), std::string::npos) << keys;
    EXPECT_EQ(keys.find(",N"), std::string::npos) << keys;
    EXPECT_NE(keys.find("F"), std::string::npos) << keys;
}

}  // namespace
