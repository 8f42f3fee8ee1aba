#include "platform/colours_ui.h"

#include <wx/window.h>

#include "platform/colours.h"

namespace {

wxColour toColour(uint32_t rgb) { return wxColour(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF); }

}  // namespace

void setListColor(wxWindow* control, int scheme) {
    const SchemeColours colours = schemeColours(scheme);
    control->SetBackgroundColour(toColour(colours.background));
    control->SetForegroundColour(toColour(colours.text));
    control->Refresh();
}
