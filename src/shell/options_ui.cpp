// The library window's "Opzioni" command: the options dialog from its
// opening to the confirmed or discarded settings.
#include <wx/dataview.h>
#include <wx/dialog.h>

#include "platform/desktop_ui.h"
#include "shell/mainform_ui.h"
#include "shell/optionform_ui.h"
#include "shell/program_ui.h"
#include "shell/settings.h"

void TMainForm::Opzioni1Click() {
    TOptionForm* options = windows_->OptionForm;
    const std::string documents = documentsFolder();
    // A zoom changed by the font size commands and not yet written is
    // replaced by the stored one.
    options->setZoom(IniFile(settingsFilePath(documents)).ReadInteger(kSettingsSection, "zoom", 100));
    options->setLibraryFolder(FolderProgData);
    const int result = options->ShowModal();
    options->FormClose();

    IniFile ini(settingsFilePath(documents));
    if (result != wxID_OK) {
        const ReaderSettings stored = readReaderSettings(ini, documents);
        options->setZoom(stored.zoom);
        options->setColor(stored.color);
        return;
    }
    FolderProgData = options->libraryFolderField();
    ini.WriteString(kSettingsSection, "folderlib", FolderProgData);
    ini.WriteInteger(kSettingsSection, "zoom", options->zoom());
    ini.WriteInteger(kSettingsSection, "color", options->color());
    // The catalogue in memory is dropped unsaved: a deletion not yet saved
    // never reaches the old folder's catalogue file.
    reloadLibrary();
    setLibraryColors();
    // The rows were rebuilt: reading goes on in the list, on a row that
    // Enter opens.
    if (libRecordList.Empty()) return;
    ListView1->SetFocus();
    ListView1->SelectRow(0);
    ListView1->SetCurrentItem(ListView1->RowToItem(0));
}
