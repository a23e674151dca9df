#pragma once

#include <windows.h>

#include <string>

// The text of a dialog's control as UTF-8, the encoding the field checks expect.
std::string dialogItemText(HWND dialog, int id);

// Shows a message box with the program's caption and an OK button.
void showMessage(HWND owner, const std::string& text);
