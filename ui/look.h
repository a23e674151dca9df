#pragma once

#include <wx/font.h>
#include <wx/gdicmn.h>

class wxWindow;

// The font the windows are laid out in: their positions are given in dialog units of an
// 8 point sans-serif font, and Liberation Sans gives the base units (6 x 13) they were made for.
wxFont layoutFont();

// Lets GTK draw buttons, entries, check boxes and sliders as small as the layout asks for;
// Adwaita's minimum heights would otherwise hide the slider and overlap the controls.
void applyCompactStyle();

// Converts a rectangle in dialog units of `window`'s top-level window (whose font must be set).
wxPoint dialogPoint(wxWindow* window, int x, int y);
wxSize dialogSize(wxWindow* window, int width, int height);

// Widens (and heightens) a label or check box to what its text needs, so that GTK neither
// wraps nor clips it where the font's text is a little wider than its dialog-unit box.
void fitToText(wxWindow* control);
