#pragma once

#include <wx/gdicmn.h>

class wxTopLevelWindow;

// Moves the window to `position` once it is on screen. Window managers such as openbox keep
// a new window where the X window was created, and the toolkit creates it at (0, 0) and maps
// it without a move; a move after mapping is honoured by all of them.
void placeWhenShown(wxTopLevelWindow* window, wxPoint position);
