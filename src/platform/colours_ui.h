#pragma once

class wxWindow;

// Colours a list, tree or text area by the colour scheme (0 white, 1 black,
// 2 sepia; any other value white).
void setListColor(wxWindow* control, int scheme);
