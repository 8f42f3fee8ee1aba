#include "viewer/showbookform_ui.h"

#include <algorithm>

#include <wx/dataview.h>
#include <wx/menu.h>
#include <wx/sizer.h>

#include "epub/package.h"
#include "epub/toc.h"
#include "platform/colours_ui.h"
#include "platform/desktop_ui.h"
#include "platform/errortext.h"
#include "platform/fileio.h"
#include "platform/messages_ui.h"
#include "platform/wxtext.h"
#include "shell/mainform_ui.h"
#include "shell/optionform_ui.h"
#include "shell/program_ui.h"
#include "shell/showcommandform_ui.h"
#include "viewer/htmlview_ui.h"
#include "viewer/indextree_ui.h"
#include "viewer/readingposition.h"
#include "viewer/stylesheet.h"

namespace {

enum MenuId {
    ID_Indice1 = wxID_HIGHEST + 1,
    ID_Libro1,
    ID_Capitoloprecedente1,
    ID_Capitolosuccessivo1,
    ID_Informazionilibro1,
    ID_Diminuiscifont1,
    ID_Aumentafont1,
    ID_Esci1,
    ID_trovanelcapitolo1,
    ID_Cercaancora1,
    ID_Cancellaricerca1,
    ID_trovanellibro1,
    ID_Vaiapagina1,
    ID_Apriseganlibri1,
    ID_Aggiungisegnalibro1,
    ID_AiutoComandi1,
};


// The jump marker: a small link just before the element a jump lands on,
// which takes the focus so that the screen reader goes on reading there.
void placeJumpMarker(viewer::HtmlView& view, viewer::HtmlView::Element target) {
    const viewer::HtmlView::Element marker = view.createAnchor("#local", "*", "hitlink");
    if (!marker || !view.insertBefore(target, marker)) return;
    if (!view.scrollIntoView(target)) return;
    view.focusElement(marker);
}

}  // namespace

TShowBookForm::TShowBookForm(ProgramWindows& windows)
    : wxFrame(windows.MainForm, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
              wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCAPTION | wxRESIZE_BORDER | wxCLOSE_BOX),
      windows_(windows) {
    auto* read = new wxMenu;
    read->Append(ID_Indice1, wxS("&Indice\tF4"));
    read->Append(ID_Libro1, wxS("&Libro\tF5"));
    read->Append(ID_Capitoloprecedente1, wxS("Capitolo &precedente\tF6"));
    read->Append(ID_Capitolosuccessivo1, wxS("Capitolo &successivo\tF7"));
    read->Append(ID_Informazionilibro1, wxS("Informazioni li&bro\tF10"));
    read->Append(ID_Diminuiscifont1, wxS("&Diminuisci font\tF11"));
    read->Append(ID_Aumentafont1, wxS("&Aumenta font\tF12"));
    read->Append(ID_Esci1, wxS("&Torna alla libreria\tAlt+F4"));
    auto* search = new wxMenu;
    search->Append(ID_trovanelcapitolo1, wxS("&Trova nel capitolo\tCtrl+F"));
    Cercaancora1 = search->Append(ID_Cercaancora1, wxS("C&erca ancora\tCtrl+G"));
    Cercaancora1->Enable(false);
    Cancellaricerca1 = search->Append(ID_Cancellaricerca1, wxS("&Cancella ricerca\tCtrl+E"));
    search->Append(ID_trovanellibro1, wxS("Trova nel &libro\tCtrl+Shift+F"));
    search->Append(ID_Vaiapagina1, wxS("&Vai a pagina\tCtrl+P"));
    auto* bookmarks = new wxMenu;
    bookmarks->Append(ID_Apriseganlibri1, wxS("&Apri segnalibri\tShift+F9"));
    bookmarks->Append(ID_Aggiungisegnalibro1, wxS("A&ggiungi segnalibro\tF9"));
    auto* help = new wxMenu;
    help->Append(ID_AiutoComandi1, wxS("&Aiuto comandi"));
    auto* bar = new wxMenuBar;
    bar->Append(read, wxS("&Leggi"));
    bar->Append(search, wxS("&Cerca"));
    bar->Append(bookmarks, wxS("&Segnalibri"));
    bar->Append(help, wxS("&?"));
    SetMenuBar(bar);

    Bind(wxEVT_MENU, [this](wxCommandEvent&) { Indice1Click(); }, ID_Indice1);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { Libro1Click(); }, ID_Libro1);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { Capitoloprecedente1Click(); }, ID_Capitoloprecedente1);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { Capitolosuccessivo1Click(); }, ID_Capitolosuccessivo1);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { Close(); }, ID_Esci1);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { AiutoComandi1Click(); }, ID_AiutoComandi1);
    Bind(wxEVT_CLOSE_WINDOW, &TShowBookForm::FormClose, this);
    Bind(wxEVT_ICONIZE, &TShowBookForm::FormIconize, this);
    Bind(wxEVT_ACTIVATE, &TShowBookForm::ApplicationEvents1Activate, this);

    TreeView1 = new wxDataViewCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxDV_SINGLE | wxDV_NO_HEADER);
    treeModel_ = new IndexTreeModel;
    TreeView1->AssociateModel(treeModel_);
    treeModel_->DecRef();
    TreeView1->AppendTextColumn(wxS("Indice"), 0, wxDATAVIEW_CELL_INERT, -1);
    TreeView1->SetFont(wxFont(wxFontInfo(wxSize(0, 15)).FaceName(wxS("Verdana"))));
    TreeView1->SetIndent(19);
    TreeView1->Bind(wxEVT_KEY_DOWN, &TShowBookForm::TreeView1KeyDown, this);
    TreeView1->Bind(wxEVT_DATAVIEW_ITEM_ACTIVATED, &TShowBookForm::TreeView1DblClick, this);
    TreeView1->Bind(wxEVT_SET_FOCUS, &TShowBookForm::TreeView1Enter, this);

    EmbeddedWB1 = new viewer::HtmlView(this);
    EmbeddedWB1->setDocumentCompleteHandler([this](viewer::HtmlView&) { EmbeddedWB1DocumentComplete(); });
    EmbeddedWB1->setKeyDownHandler([this](viewer::HtmlView&, viewer::ViewKey& key) { EmbeddedWB1KeyDown(key); });

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(TreeView1, 1, wxEXPAND);
    sizer->Add(EmbeddedWB1, 1, wxEXPAND);
    SetSizer(sizer);
    TreeView1->Hide();
}

TShowBookForm::~TShowBookForm() = default;

void TShowBookForm::ShowModal() {
    // An error of the opening is shown, and the window is shown all the same
    // as far as the opening got; the reader leaves it with its usual commands.
    try {
        FormShow();
    } catch (...) {
        reportExceptionInFlight();
    }
    Maximize();
    showModalFrame(this);
}

void TShowBookForm::FormShow() {
    mywsstate = 3;
    chapterShown_ = false;
    book = std::make_unique<BookModel>();
    showTree(false);
    createlink.clear();
    loadautoBookmark = false;
    gotosearchItem = false;
    autobookmarkoffset = 0;
    currentSpine = 0;

    const epub::FillIndexResult read =
        epub::FillIndex(epubFolder, XmlScanner1, book->MySpineList, book->MyIndexList, epubfolderdoc);
    // A table of contents that cannot be read leaves the tree as it was.
    if (!read.error.empty()) throw std::runtime_error(read.error);
    setIndexView();
    // A package folder outside the book (a container naming "../x.opf")
    // would have the preparation write outside it.
    const bool packageInBook = !epubfolderdoc.empty() && (fileio::isInsideFolder(epubfolderdoc, epubFolder) ||
                                                          epubfolderdoc == epubFolder + "/");
    if (!packageInBook) throw std::runtime_error("Il libro non ha un documento di pacchetto leggibile");
    // Chapters or a style sheet that cannot be written must not keep the
    // reader from the book: what can be read is shown, the error after it.
    std::string preparationError;
    try {
        setUTF8();
    } catch (const fileio::FileError& e) {
        preparationError = e.what();
    }
    openAutoBookmark();
    SetTitle(wxFromUtf16(titlebook));
    if (!preparationError.empty()) throw fileio::FileError(preparationError);
}

void TShowBookForm::setUTF8() {
    const std::vector<std::string> hrefs =
        chapterprep::hrefsInsideBook(epubFolder, epubfolderdoc, epub::spineHrefs(book->MySpineList));
    std::vector<std::string> failures = chapterprep::setUTF8(epubfolderdoc, hrefs, lastReadEncoding_).failures;
    const TOptionForm* options = windows_.OptionForm;
    setListColor(TreeView1, options->color());
    try {
        stylesheet::writeStyleSheet(epubfolderdoc, hrefs, options->zoom(), options->color(), lastReadEncoding_);
    } catch (const fileio::FileError& e) {
        failures.push_back(e.what());
    }
    if (failures.empty()) return;
    // The first error in full; the others, often the same in every chapter,
    // only counted.
    std::string text = errorMessageText(failures.front());
    if (failures.size() == 2) text += "\nC'\xC3\xA8 stato un altro errore.";
    if (failures.size() > 2) text += "\nCi sono stati altri " + std::to_string(failures.size() - 1) + " errori.";
    throw fileio::FileError(text);
}

void TShowBookForm::setIndexView() {
    treeModel_->clear();
    const wxDataViewItem root = treeModel_->add(wxDataViewItem(), wxFromUtf16(titlebook), IndexTreeModel::kTitleNode);
    const std::vector<int> parents = epub::indexViewParents(book->MyIndexList);
    std::vector<wxDataViewItem> nodes;
    nodes.reserve(parents.size());
    for (size_t i = 0; i < parents.size(); ++i) {
        const int parent = parents[i];
        const wxDataViewItem under = parent == epub::kParentRoot       ? root
                                     : parent == epub::kParentTopLevel ? wxDataViewItem()
                                                                       : nodes[static_cast<size_t>(parent)];
        nodes.push_back(treeModel_->add(under, wxFromUtf8(book->MyIndexList.Get(static_cast<int>(i)).Value),
                                        static_cast<int>(i)));
    }
    treeModel_->built();
    for (const wxDataViewItem& item : treeModel_->allItems()) TreeView1->Expand(item);
}

void TShowBookForm::openAutoBookmark() {
    const epub::TMySpineList& spine = book->MySpineList;
    if (const auto position = readingposition::readReadingPosition(epubFolder, spine.Count())) {
        autobookmarkoffset = position->offset;
        currentSpine = position->spine;
        loadautoBookmark = true;
        EmbeddedWB1->NavigateHref(epubfolderdoc, spine.Get(currentSpine).Value);
        return;
    }
    const epub::TMyIndexList& index = book->MyIndexList;
    if (!index.Empty()) {
        const int first = index.Get(0).spineIndex;
        currentSpine = first == epub::kNoSpineIndex ? 0 : first;
        EmbeddedWB1->NavigateHref(epubfolderdoc, index.Get(0).Link);
    } else if (!spine.Empty()) {
        currentSpine = 0;
        EmbeddedWB1->NavigateHref(epubfolderdoc, spine.Get(0).Value);
    }
    EmbeddedWB1->SetFocus();
}

void TShowBookForm::saveAutoBookmark() {
    readingposition::writeReadingPosition(epubFolder, {EmbeddedWB1->verticalScrollPosition(), currentSpine});
}

void TShowBookForm::goToOffset(int offset) {
    EmbeddedWB1->SetFocus();
    const viewer::HtmlView::Element element = EmbeddedWB1->firstElementAtOrBelow(offset);
    if (!element) return;
    placeJumpMarker(*EmbeddedWB1, element);
    EmbeddedWB1->scrollTo(0, offset);
}

void TShowBookForm::goToAnchor(const std::string& id) {
    EmbeddedWB1->SetFocus();
    const viewer::HtmlView::Element element = EmbeddedWB1->getElementById(id);
    if (element) placeJumpMarker(*EmbeddedWB1, element);
}

void TShowBookForm::openIndexEntry(int n) {
    if (!book || n < 0 || n >= book->MyIndexList.Count()) return;
    if (const viewer::HtmlView::Element marker = EmbeddedWB1->getElementById("hitlink")) EmbeddedWB1->removeNode(marker);
    const epub::TMyIndex& entry = book->MyIndexList.Get(n);
    createlink.clear();
    Cercaancora1->Enable(false);
    Cancellaricerca1->Enable(false);
    if (const auto hash = entry.Link.find('#'); hash != std::string::npos) createlink = entry.Link.substr(hash + 1);
    if (entry.spineIndex != epub::kNoSpineIndex) currentSpine = entry.spineIndex;
    showTree(false);
    EmbeddedWB1->NavigateHref(epubfolderdoc, entry.Link);
}

void TShowBookForm::EmbeddedWB1DocumentComplete() {
    // A load that completes after the book was closed has nothing to act on.
    if (!book) return;
    chapterShown_ = true;
    Cercaancora1->Enable(false);
    Cancellaricerca1->Enable(false);
    if (createlink.empty()) {
        EmbeddedWB1->SetFocus();
    } else {
        goToAnchor(createlink);
        createlink.clear();
    }
    if (loadautoBookmark) {
        loadautoBookmark = false;
        goToOffset(autobookmarkoffset);
    }
}

void TShowBookForm::EmbeddedWB1KeyDown(viewer::ViewKey& key) {
    // Ctrl+O would open a file dialog of the browser engine's own.
    if (key.ctrl && (key.keyCode == 'O' || key.keyCode == 'o')) key.keyCode = 0;
}

void TShowBookForm::showTree(bool tree) {
    TreeView1->Show(tree);
    EmbeddedWB1->Show(!tree);
    Layout();
}

void TShowBookForm::Indice1Click() {
    showTree(true);
    TreeView1->SetFocus();
}

void TShowBookForm::Libro1Click() {
    showTree(false);
    EmbeddedWB1->SetFocus();
}

void TShowBookForm::showChapter(int spine) {
    currentSpine = spine;
    EmbeddedWB1->NavigateHref(epubfolderdoc, book->MySpineList.Get(spine).Value);
}

void TShowBookForm::Capitoloprecedente1Click() {
    if (book && currentSpine > 0) showChapter(currentSpine - 1);
}

void TShowBookForm::Capitolosuccessivo1Click() {
    if (book && currentSpine < book->MySpineList.Count() - 1) showChapter(currentSpine + 1);
}

void TShowBookForm::AiutoComandi1Click() {
    windows_.ShowCommandForm->showHelpFile(windows_.MainForm->FolderProg + "/bookcmd.txt");
}

void TShowBookForm::openSelectedEntry() {
    const wxDataViewItem item = TreeView1->GetSelection();
    if (!item.IsOk() || !book || book->MyIndexList.Empty()) return;
    openIndexEntry(std::max(0, treeModel_->entryOf(item)));
}

void TShowBookForm::TreeView1KeyDown(wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_RETURN || event.GetKeyCode() == WXK_NUMPAD_ENTER) {
        openSelectedEntry();  // consumed, so the tree does not activate the node as well
        return;
    }
    event.Skip();
}

void TShowBookForm::TreeView1DblClick(wxDataViewEvent&) { openSelectedEntry(); }

void TShowBookForm::TreeView1Enter(wxFocusEvent& event) {
    event.Skip();
    // As in the library list: the node the screen reader speaks is the one
    // Enter opens.
    if (TreeView1->GetSelection().IsOk()) return;
    wxDataViewItem item = TreeView1->GetCurrentItem();
    if (!item.IsOk()) {
        const std::vector<wxDataViewItem> top = treeModel_->topLevelItems();
        if (top.empty()) return;
        item = top.front();
    }
    TreeView1->Select(item);
}

void TShowBookForm::FormIconize(wxIconizeEvent& event) {
    event.Skip();
    if (event.IsIconized() && mywsstate == 3) mywsstate = 2;
}

void TShowBookForm::ApplicationEvents1Activate(wxActivateEvent& event) {
    event.Skip();
    if (event.GetActive() && mywsstate == 2) {
        Iconize(false);
        Maximize();
        mywsstate = 3;
    }
}

void TShowBookForm::FormClose(wxCloseEvent&) {
    windows_.MainForm->showAfterReading();
    book.reset();
    // The position is written last; a folder that refuses it must not keep
    // the reader in the book.
    try {
        if (chapterShown_) saveAutoBookmark();
    } catch (const std::exception& e) {
        showUnexpectedError(e.what());
    }
    endModalFrame(this);
}
