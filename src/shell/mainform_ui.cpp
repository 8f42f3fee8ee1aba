#include "shell/mainform_ui.h"

#include <filesystem>

#include <wx/dataview.h>
#include <wx/menu.h>
#include <wx/sizer.h>

#include "platform/colours_ui.h"
#include "platform/desktop_ui.h"
#include "platform/fileio.h"
#include "platform/messages_ui.h"
#include "platform/registry.h"
#include "platform/wxtext.h"
#include "shell/jawsscripts.h"
#include "shell/optionform_ui.h"
#include "shell/program_ui.h"
#include "shell/settings.h"
#include "viewer/showbookform_ui.h"

namespace {

enum MenuId { ID_Aggiungi1 = wxID_HIGHEST + 1, ID_Elimina1, ID_Opzioni1, ID_Esci1, ID_Aiuto1, ID_Informazioni1 };


}  // namespace

TMainForm::TMainForm(ProgramWindows& windows, std::string commandLineFile)
    : wxFrame(nullptr, wxID_ANY, wxS("Ravelund versione 1.07")),
      windows_(&windows),
      commandLineFile_(std::move(commandLineFile)) {
    auto* file = new wxMenu;
    file->Append(ID_Aggiungi1, wxS("&Aggiungi\tF10"));
    file->Append(ID_Elimina1, wxS("&Elimina"));
    file->Append(ID_Opzioni1, wxS("&Opzioni"));
    file->Append(ID_Esci1, wxS("E&sci\tAlt+F4"));
    auto* help = new wxMenu;
    help->Append(ID_Aiuto1, wxS("A&iuto"));
    help->Append(ID_Informazioni1, wxS("&Informazioni"));
    auto* bar = new wxMenuBar;
    bar->Append(file, wxS("&File"));
    bar->Append(help, wxS("&?"));
    SetMenuBar(bar);

    Bind(wxEVT_MENU, [this](wxCommandEvent&) { addEpubFromDialog(); }, ID_Aggiungi1);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { if (!libRecordList.Empty()) deleteBook(); }, ID_Elimina1);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { Close(); }, ID_Esci1);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { Opzioni1Click(); }, ID_Opzioni1);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { Aiuto1Click(); }, ID_Aiuto1);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { Informazioni1Click(); }, ID_Informazioni1);
    Bind(wxEVT_SHOW, &TMainForm::FormShow, this);
    Bind(wxEVT_CLOSE_WINDOW, &TMainForm::FormClose, this);
    FormCreate();
}

TMainForm::~TMainForm() {
    if (windows_) windows_->MainForm = nullptr;
}

void TMainForm::FormCreate() {
    ListView1 = new wxDataViewListCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                       wxDV_SINGLE | wxDV_ROW_LINES);
    ListView1->SetFont(wxFont(wxFontInfo(wxSize(0, 15)).FaceName(wxS("Verdana")).Bold()));
    ListView1->AppendTextColumn(wxS("Titolo"), wxDATAVIEW_CELL_INERT, 390);
    ListView1->AppendTextColumn(wxS("Autore"), wxDATAVIEW_CELL_INERT, 390);
    ListView1->AppendTextColumn(wxS("Ultima lettura"), wxDATAVIEW_CELL_INERT, 180);
    ListView1->Bind(wxEVT_KEY_DOWN, &TMainForm::ListView1KeyDown, this);
    ListView1->Bind(wxEVT_DATAVIEW_ITEM_ACTIVATED, &TMainForm::ListView1DblClick, this);
    ListView1->Bind(wxEVT_SET_FOCUS, &TMainForm::ListView1Enter, this);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(ListView1, 1, wxEXPAND);
    SetSizer(sizer);
}

void TMainForm::FormShow(wxShowEvent& event) {
    event.Skip();
    if (!event.IsShown()) return;
    // The library stays hidden while a book is open, also when the desktop
    // maps it again.
    if (readingBook_) {
        CallAfter([this] {
            if (readingBook_) Hide();
        });
        return;
    }
    if (started_) return;
    started_ = true;
    runStartUpSequence();
}

void TMainForm::runStartUpSequence() {
    FolderProg = currentFolder();
    const std::string documents = documentsFolder();
    const IniFile ini(settingsFilePath(documents));
    const ReaderSettings settings = readReaderSettings(ini, documents);
    FolderProgData = settings.FolderProgData;
    FolderAppData = applicationDataFolder() + "/Freedom Scientific/JAWS";
    windows_->OptionForm->setZoom(settings.zoom);
    installJawsScripts(systemRegistry(), FolderProg, FolderAppData);
    windows_->OptionForm->setColor(settings.color);

    // One level each, silently: a library folder whose parent is missing
    // is not created, and later writes into it fail where they happen.
    std::error_code ignored;
    std::filesystem::create_directory(fileio::toPath(settingsFolder(documents)), ignored);
    std::filesystem::create_directory(fileio::toPath(FolderProgData), ignored);

    reloadLibrary();
    if (!catalogueRejected_) sweepBookFolders(libRecordList, FolderProgData);
    if (!libRecordList.Empty()) ListView1->SetFocus();
    setLibraryColors();
    if (!commandLineFile_.empty()) addepubtolib(commandLineFile_);
}

void TMainForm::FormClose(wxCloseEvent&) {
    // Nothing written here may keep the program from ending.
    if (started_) {
        try {
            IniFile(settingsFilePath(documentsFolder())).WriteInteger(kSettingsSection, "zoom", windows_->OptionForm->zoom());
        } catch (const std::exception& e) {
            showUnexpectedError(e.what());
        }
        try {
            saveLibraryFile(libRecordList, libraryFilePath());
        } catch (const std::exception& e) {
            showUnexpectedError(e.what());
        }
    }
    Destroy();
}

std::string TMainForm::libraryFilePath() const { return joinLibraryPath(FolderProgData, kLibraryFileName); }

void TMainForm::reloadLibrary() {
    const std::string path = libraryFilePath();
    const CatalogueLoad result = loadLibraryFile(libRecordList, path);
    catalogueRejected_ = result == CatalogueLoad::WrongMagic || result == CatalogueLoad::Unreadable;
    if (result == CatalogueLoad::WrongMagic)
        showMessage(wxFromUtf8(wrongMagicMessage(path)), wxS("I/O Error"), MsgIcon::Error, MsgButtons::Ok, this);
    else if (result == CatalogueLoad::Unreadable)
        showUnexpectedError("Cannot open file \"" + path + "\"");
    refreshLibraryList();
}

void TMainForm::refreshLibraryList() {
    ListView1->DeleteAllItems();
    if (libRecordList.Empty()) return;
    libRecordList.SortByReadDate();
    ListView1->Freeze();
    for (size_t i = 0; i < libRecordList.Count(); ++i) {
        const TlibRecord& r = libRecordList.Get(i);
        wxVector<wxVariant> row;
        row.push_back(wxVariant(wxFromUtf16(r.Title)));
        row.push_back(wxVariant(wxFromUtf16(r.Author)));
        row.push_back(wxVariant(r.Newbook ? wxString(wxS("Nuovo")) : wxFromUtf8(formatReadDate(r.ReadDate))));
        ListView1->AppendItem(row);
    }
    ListView1->Thaw();
}

int TMainForm::selectedRow() const {
    const wxDataViewItem item = ListView1->GetSelection();
    return item.IsOk() ? ListView1->ItemToRow(item) : -1;
}

void TMainForm::deleteBook() {
    const int row = selectedRow();
    if (row < 0) {
        showMessage(wxS("Nessun libro selezionato"), wxS("Attenzione"), MsgIcon::Warning, MsgButtons::Ok, this);
        return;
    }
    if (showMessage(wxS("Vuoi cancellare il libro"), wxS("Attenzione"), MsgIcon::None, MsgButtons::OkCancel, this) !=
        MsgResult::Ok)
        return;
    // A folder outside the library can only come from a damaged catalogue:
    // then only the entry goes.
    const std::string folder = text::utf16ToUtf8(libRecordList.Get(static_cast<size_t>(row)).Folder);
    if (fileio::isInsideFolder(folder, FolderProgData)) deleteFolderTree(folder);
    libRecordList.Delete(static_cast<size_t>(row));
    ListView1->DeleteItem(static_cast<unsigned>(row));
    ListView1->UnselectAll();
}

void TMainForm::openBook(const std::string& folder) {
    TlibRecord& record = libRecordList.Get(static_cast<size_t>(selectedRow()));
    record.Newbook = false;
    record.ReadDate = nowAsReadDate();
    saveLibraryFile(libRecordList, libraryFilePath());

    TShowBookForm* book = windows_->ShowBookForm;
    book->titlebook = record.Title;
    book->epubFolder = folder;
    readingBook_ = true;
    Hide();
    book->ShowModal();
    readingBook_ = false;

    refreshLibraryList();
    // The book just read stands first: reading goes on from it.
    ListView1->SetFocus();
    ListView1->SelectRow(0);
    ListView1->SetCurrentItem(ListView1->RowToItem(0));
}

void TMainForm::showAfterReading() {
    readingBook_ = false;
    Show();
}

void TMainForm::openSelectedBook() {
    const int row = selectedRow();
    if (libRecordList.Empty() || row < 0) return;
    openBook(text::utf16ToUtf8(libRecordList.Get(static_cast<size_t>(row)).Folder));
}

void TMainForm::ListView1KeyDown(wxKeyEvent& event) {
    switch (event.GetKeyCode()) {
        case WXK_DELETE:
        case WXK_NUMPAD_DELETE:
            if (!libRecordList.Empty()) deleteBook();
            break;
        case WXK_RETURN:
        case WXK_NUMPAD_ENTER:
            // Taken here, also when opening fails, so that the list does not
            // activate the row and open the book a second time.
            try {
                openSelectedBook();
            } catch (...) {
                reportExceptionInFlight();
            }
            return;
        default:
            break;
    }
    event.Skip();
}

void TMainForm::ListView1DblClick(wxDataViewEvent&) { openSelectedBook(); }

void TMainForm::ListView1Enter(wxFocusEvent& event) {
    event.Skip();
    // GTK puts its cursor on a row without selecting it, and a screen reader
    // speaks that row as the current one: make it the one Enter opens.
    if (ListView1->GetItemCount() == 0 || ListView1->GetSelection().IsOk()) return;
    wxDataViewItem item = ListView1->GetCurrentItem();
    if (!item.IsOk()) item = ListView1->RowToItem(0);
    ListView1->Select(item);
}

void TMainForm::setLibraryColors() {
    setListColor(ListView1, windows_->OptionForm->color());
}
