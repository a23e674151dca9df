#pragma once

// Tunes GTK for the program's windows, once, before the first one is made:
// - its controls may be as small as the layout asks for; Adwaita's minimum heights would
//   otherwise hide the slider and overlap the controls;
// - a click on the slider's track moves it by a page toward the click, as a trackbar does,
//   instead of jumping to the click; a drag still follows the pointer.
void tuneGtk();
