// Adding a book to the library, from the open-file dialog or the command line.
#include <wx/dataview.h>

#include "platform/desktop_ui.h"
#include "platform/messages_ui.h"
#include "platform/wxtext.h"
#include "shell/addbook.h"
#include "shell/mainform_ui.h"

void TMainForm::addEpubFromDialog() {
    const std::string file = chooseFileToOpen(this);
    if (!file.empty()) addepubtolib(file);
}

void TMainForm::addepubtolib(const std::string& fname) {
    const UnpackedBook book = unpackBook(ZipMaster1, fname, FolderProgData);
    if (!book.bookFolder.empty()) epubFolder = book.bookFolder;
    if (!book.ok) {
        showMessage(wxS("File non valido"), wxS("Attenzione"), MsgIcon::None, MsgButtons::Ok, this);
        return;
    }
    addLibRecord(text::utf8ToUtf16(book.title), text::utf8ToUtf16(book.author), text::utf8ToUtf16(book.bookFolder));
    refreshLibraryList();
    // The new book stands first: leave the reader on it.
    ListView1->SetFocus();
    ListView1->SelectRow(0);
    ListView1->SetCurrentItem(ListView1->RowToItem(0));
    saveLibraryFile(libRecordList, libraryFilePath());
}

void TMainForm::addLibRecord(const std::u16string& title, const std::u16string& author, const std::u16string& folder) {
    auto record = std::make_unique<TlibRecord>();
    record->Title = title;
    record->Author = author;
    record->Folder = folder;
    record->Newbook = true;
    record->ReadDate = nowAsReadDate();
    libRecordList.Add(std::move(record));
}
