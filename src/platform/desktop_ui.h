// What the desktop offers the program: its special folders, Italian texts of
// the toolkit, field labels a screen reader speaks, and modal frames.
#pragma once

#include <functional>
#include <string>

class wxFrame;
class wxWindow;

// The user's documents folder (My Documents on Windows).
std::string documentsFolder();
// The user's application settings folder (Application Data on Windows).
std::string applicationDataFolder();
std::string currentFolder();

// Loads the toolkit's Italian catalogue whatever the system locale, so its
// own buttons and dialogs speak Italian.
void useItalianToolkitTexts();

// Asks for a file to open, every file type offered; empty when cancelled.
// Tests replace it, since the file chooser cannot be answered from a test.
extern std::function<std::string(wxWindow* parent)> chooseFileToOpen;

// Makes label the accessible label of field, which a screen reader then
// speaks when the field gets the focus.
void labelField(wxWindow* label, wxWindow* field);

// Shows a frame (which, unlike a dialog, can have a menu bar) modally: every
// other window is disabled until endModalFrame is called for it.
void showModalFrame(wxFrame* frame);
void endModalFrame(wxFrame* frame);
