#pragma once

// The width of a check box's or radio button's indicator with its margin, as the style below
// draws it.
inline constexpr int kIndicatorWidth = 16;

// Lets GTK draw buttons, entries, check boxes and sliders as small as the layout asks for;
// Adwaita's minimum heights would otherwise hide the slider and overlap the controls.
void applyCompactStyle();
