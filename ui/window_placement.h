#pragma once

#include <wx/gdicmn.h>

#include <functional>

class wxTopLevelWindow;

// Puts the window at `position` (its outer top-left corner) as it is shown. The toolkit
// creates the X window at (0, 0) without asking the window manager for a place, and window
// managers such as openbox keep it there: the place is asked for before the window is
// mapped, and once more after, which all of them honour.
void placeWhenShown(wxTopLevelWindow* window, wxPoint position);

// Runs `action` once the window is on screen with its size. A message box owned by a window
// that is not mapped yet is centred on a window of no size, off to its upper left.
void afterShown(wxTopLevelWindow* window, const std::function<void()>& action);
