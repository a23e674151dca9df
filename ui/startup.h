#pragma once

#include "engine/output_device.h"

class MainWindow;
class wxWindow;

// Builds and shows the main window with its panel and sets up the volume slider.
MainWindow* showMainWindow();

// Hands the device just opened to the player for the rest of the process. An error is told
// in a message box and the program goes on: without sound, or with a device still looking
// for its sound server.
void storeOutputDevice(OpenResult opened, wxWindow* owner);
