#pragma once

#include <windows.h>

// The main window's class name and procedure: it carries out the menu commands.
inline constexpr const char* kMainWindowClass = "myVellumtoneClass";
LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The control panel inside the main window, which the menu commands report to.
void setMainPanel(HWND panel);
