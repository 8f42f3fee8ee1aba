#include "shell/app_ui.h"

wxIMPLEMENT_APP(RavelundApp);
