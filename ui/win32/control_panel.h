#pragma once

#include <windows.h>

// The control panel: a modeless child dialog of the main window from the panel template.
// Its procedure only turns the controls into player operations.
INT_PTR CALLBACK panelDialogProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the panel inside the main window and tells the player how to reach it when a
// playback ends.
HWND createControlPanel(HINSTANCE instance, HWND mainWindow);

// Sets the status line.
void setStatusText(HWND panel, const char* text);

// Range, steps and starting position of the volume slider, from the player's amplitude.
void setUpVolumeSlider(HWND panel);
