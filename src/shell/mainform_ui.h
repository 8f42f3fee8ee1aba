#pragma once

#include <string>

#include <wx/frame.h>

#include "shell/catalogue.h"
#include "zip/extractor.h"

class wxDataViewEvent;
class wxDataViewListCtrl;
struct ProgramWindows;

// Library window, the main window: the list of the books in the library and
// the library's commands. Closing it ends the program.
class TMainForm : public wxFrame {
public:
    TMainForm(ProgramWindows& windows, std::string commandLineFile);
    ~TMainForm() override;
    // The windows' owner is going away before this window does.
    void detachProgram() { windows_ = nullptr; }

    // Program paths and the library folder, fixed by the start-up sequence.
    std::string FolderProg;
    std::string FolderAppData;
    std::string FolderProgData;

    // The folder of the book added last.
    std::string epubFolder;

    TlibRecordList libRecordList;
    wxDataViewListCtrl* ListView1;

    void addEpubFromDialog();
    void addepubtolib(const std::string& fname);
    void addLibRecord(const std::u16string& title, const std::u16string& author, const std::u16string& folder);
    void reloadLibrary();
    void refreshLibraryList();
    void deleteBook();
    void openBook(const std::string& folder);
    // The reading window gives the screen back to the library.
    void showAfterReading();
    void setLibraryColors();
    // "Opzioni", "Aiuto" and "Informazioni" of the menus.
    void Opzioni1Click();
    void Aiuto1Click();
    void Informazioni1Click();

    std::string libraryFilePath() const;
    // The row the commands act on, or -1 when none is selected.
    int selectedRow() const;

private:
    void FormCreate();
    void FormShow(wxShowEvent& event);
    void FormClose(wxCloseEvent& event);
    void runStartUpSequence();
    void ListView1KeyDown(wxKeyEvent& event);
    void ListView1DblClick(wxDataViewEvent& event);
    void ListView1Enter(wxFocusEvent& event);
    void openSelectedBook();

    ProgramWindows* windows_;
    zipextract::ZipExtractor ZipMaster1;
    std::string commandLineFile_;
    bool started_ = false;
    bool readingBook_ = false;
    // Set when library.bin exists but could not be taken as a catalogue:
    // the book folders on disk must then not be swept.
    bool catalogueRejected_ = false;
};
