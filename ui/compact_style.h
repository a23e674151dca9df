#pragma once

// Lets GTK draw buttons, entries, check boxes and sliders as small as the layout asks for;
// Adwaita's minimum heights would otherwise hide the slider and overlap the controls.
void applyCompactStyle();
