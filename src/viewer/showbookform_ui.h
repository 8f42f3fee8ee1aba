#pragma once

#include <memory>
#include <string>

#include <wx/frame.h>

#include "epub/bookmodel.h"
#include "epub/chapterprep.h"
#include "epub/xmlscanner.h"

class IndexTreeModel;
class wxDataViewCtrl;
class wxDataViewEvent;
class wxMenuItem;
struct ProgramWindows;
namespace viewer {
class HtmlView;
struct ViewKey;
}  // namespace viewer

// Reading window: the table-of-contents tree or the current chapter, one at
// a time, shown modally while a book is open; closing it brings the library
// window back.
class TShowBookForm : public wxFrame {
public:
    explicit TShowBookForm(ProgramWindows& windows);
    ~TShowBookForm() override;

    // Set by the library window before showing.
    std::u16string titlebook;
    std::string epubFolder;

    // Returns when the window has been closed.
    void ShowModal();

    // The model of the open book; it exists only while a book is open.
    struct BookModel {
        epub::TMySpineList MySpineList;
        epub::TMyIndexList MyIndexList;
    };
    std::unique_ptr<BookModel> book;
    std::string epubfolderdoc;  // package folder, ends with the separator

    int mywsstate = 3;
    std::string createlink;
    int currentSpine = 0;
    bool loadautoBookmark = false;
    int autobookmarkoffset = 0;
    bool gotosearchItem = false;

    wxDataViewCtrl* TreeView1;
    viewer::HtmlView* EmbeddedWB1;

    void openIndexEntry(int n);
    void goToAnchor(const std::string& id);
    void goToOffset(int offset);
    void openAutoBookmark();
    void saveAutoBookmark();
    void setIndexView();
    void setUTF8();
    // The menu items that find in chapter enables.
    wxMenuItem* Cercaancora1;
    wxMenuItem* Cancellaricerca1;

private:
    void FormShow();
    void FormClose(wxCloseEvent& event);
    void FormIconize(wxIconizeEvent& event);
    void ApplicationEvents1Activate(wxActivateEvent& event);
    void EmbeddedWB1DocumentComplete();
    void EmbeddedWB1KeyDown(viewer::ViewKey& key);
    void TreeView1KeyDown(wxKeyEvent& event);
    void TreeView1DblClick(wxDataViewEvent& event);
    void TreeView1Enter(wxFocusEvent& event);
    void Indice1Click();
    void Libro1Click();
    void Capitoloprecedente1Click();
    void Capitolosuccessivo1Click();
    void AiutoComandi1Click();
    void openSelectedEntry();
    void showChapter(int spine);
    void showTree(bool tree);

    ProgramWindows& windows_;
    IndexTreeModel* treeModel_;
    // One scanner for the whole run: its encoding state carries over.
    epub::TXmlScanner XmlScanner1;
    chapterprep::TextEncoding lastReadEncoding_ = chapterprep::TextEncoding::Ansi;
    // Whether a chapter of the open book has been shown: an opening that
    // failed before must not overwrite the remembered position.
    bool chapterShown_ = false;
};
