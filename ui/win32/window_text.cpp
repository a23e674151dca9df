#include "ui/win32/window_text.h"

#include <vector>

#include "ui/common/messages.h"

std::string dialogItemText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    const int length = GetWindowTextLengthW(control);
    std::vector<wchar_t> wide(static_cast<std::size_t>(length) + 1);
    const int got = GetWindowTextW(control, wide.data(), length + 1);
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), got, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), got, text.data(), bytes, nullptr, nullptr);
    return text;
}

void showMessage(HWND owner, const std::string& text) {
    MessageBoxA(owner, text.c_str(), kMessageCaption, MB_OK);
}
