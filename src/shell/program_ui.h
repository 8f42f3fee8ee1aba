// The program's eleven windows, created once in a fixed order and kept for
// the whole run; they are shown and hidden, never recreated.
#pragma once

#include <string>

class TMainForm;
class TOptionForm;
class TShowBookForm;
class TbookmarkForm;
class TModifyTextForm;
class TFindText1;
class TpageForm;
class TShowCommandForm;
class TInformazioniForm;
class TinfobookForm;
class TSearchInBookForm;

struct ProgramWindows {
    // commandLineFile: the first command-line argument, empty when none.
    explicit ProgramWindows(const std::string& commandLineFile);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    TMainForm* MainForm = nullptr;
    TOptionForm* OptionForm = nullptr;
    TShowBookForm* ShowBookForm = nullptr;
    TbookmarkForm* bookmarkForm = nullptr;
    TModifyTextForm* ModifyTextForm = nullptr;
    TFindText1* FindText1 = nullptr;
    TpageForm* pageForm = nullptr;
    TShowCommandForm* ShowCommandForm = nullptr;
    TInformazioniForm* InformazioniForm = nullptr;
    TinfobookForm* infobookForm = nullptr;
    TSearchInBookForm* SearchInBookForm = nullptr;
};
