#pragma once

#include <wx/font.h>
#include <wx/gdicmn.h>

class wxWindow;

// The font the windows are laid out in: their positions are given in dialog units of an
// 8 point sans-serif font, and Liberation Sans gives the base units (6 x 13) they were made for.
wxFont layoutFont();

// A rectangle in dialog units of `window`'s top-level window (whose font must be set), in
// pixels.
wxSize dialogSize(wxWindow* window, int width, int height);
wxRect dialogRect(wxWindow* window, int x, int y, int width, int height);

// Gives a control the layout font and its dialog-unit rectangle. A label, check box or radio
// button is widened to what its text needs in that font, so that GTK neither wraps nor cuts
// it where the text is a little wider than its box.
void placeControl(wxWindow* control, int x, int y, int width, int height);
