#pragma once

#include <wx/dialog.h>

// The settings dialogs have a close box; the about box has none.
inline constexpr long kSettingsDialogStyle = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX;
inline constexpr long kAboutDialogStyle = wxCAPTION;

// Gives a dialog the layout font, its client size in dialog units and a place in the middle
// of the screen; Escape closes none of the program's dialogs.
void prepareDialogFrame(wxDialog* dialog, int width, int height);

// The close box (or the window manager's close request) ends the dialog with no change.
void bindCloseBox(wxDialog* dialog);
