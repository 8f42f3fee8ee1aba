#include "shell/program_ui.h"

#include "search/bookmarkform_ui.h"
#include "search/infobookform_ui.h"
#include "search/modifytextform_ui.h"
#include "search/searchinbookform_ui.h"
#include "shell/infoform_ui.h"
#include "shell/mainform_ui.h"
#include "shell/optionform_ui.h"
#include "shell/showcommandform_ui.h"
#include "viewer/findtextform_ui.h"
#include "viewer/pageform_ui.h"
#include "viewer/showbookform_ui.h"

ProgramWindows::ProgramWindows(const std::string& commandLineFile) {
    MainForm = new TMainForm(*this, commandLineFile);
    OptionForm = new TOptionForm(MainForm);
    ShowBookForm = new TShowBookForm(*this);
    bookmarkForm = new TbookmarkForm(ShowBookForm);
    ModifyTextForm = new TModifyTextForm(ShowBookForm);
    FindText1 = new TFindText1(ShowBookForm);
    pageForm = new TpageForm(ShowBookForm);
    ShowCommandForm = new TShowCommandForm(MainForm, *OptionForm);
    InformazioniForm = new TInformazioniForm(MainForm);
    infobookForm = new TinfobookForm(ShowBookForm);
    SearchInBookForm = new TSearchInBookForm(ShowBookForm);
}

ProgramWindows::~ProgramWindows() {
    // The other windows are children of the library window and go with it.
    if (MainForm) {
        MainForm->detachProgram();
        MainForm->Destroy();
    }
}
