#pragma once

#include <windows.h>

// The modal dialogs the main window's menu opens. Each ends with result 0; the settings
// dialogs store what they accept in the player.
INT_PTR CALLBACK toneDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK sweepDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
