// Reports, for the end-to-end test, what another process sees of the running program: the
// main window's place, whether the playback's event can be opened by name, the panel's
// status line and slider, where to click its controls, and the text of any message box.
#include <windows.h>
// clang-format off
#include <commctrl.h>
// clang-format on

#include <cstdio>

#include "engine/auto_reset_event.h"
#include "resources/resource_ids.h"

namespace {

void printControl(HWND panel, int id) {
    RECT rect;
    if (GetWindowRect(GetDlgItem(panel, id), &rect)) {
        std::printf("control %d %ld %ld\n", id, (rect.left + rect.right) / 2,
                    (rect.top + rect.bottom) / 2);
    }
}

BOOL CALLBACK printMessageBox(HWND window, LPARAM /*unused*/) {
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (!IsWindowVisible(window) || lstrcmpA(caption, "Vellumtone") != 0) {
        return TRUE;
    }
    // A message box's text is its static control 0xFFFF.
    char text[256] = {};
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    std::printf("message %s\n", text);
    return TRUE;
}

}  // namespace

int main() {
    HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, AutoResetEvent::kPlaybackEventName);
    std::printf("event %d\n", event != nullptr ? 1 : 0);

    HWND window = FindWindowA("myVellumtoneClass", "Vellumtone Generator 0.9");
    if (window == nullptr) {
        std::printf("window none\n");
        return 1;
    }
    RECT rect;
    GetWindowRect(window, &rect);
    std::printf("window %ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);

    HWND panel = FindWindowExA(window, nullptr, MAKEINTATOM(0x8002), nullptr);
    char status[128] = {};
    GetDlgItemTextA(panel, ids::kStatusLine, status, sizeof status);
    std::printf("status %s\n", status);
    char burnIn[128] = {};
    GetDlgItemTextA(panel, ids::kBurnInStatus, burnIn, sizeof burnIn);
    std::printf("burnin %s\n", burnIn);
    std::printf("slider %ld\n", static_cast<long>(SendDlgItemMessageA(panel, ids::kVolumeSlider,
                                                                      TBM_GETPOS, 0, 0)));
    for (int id : {ids::kPlay, ids::kStop, ids::kVolumeSlider}) {
        printControl(panel, id);
    }
    // The tone dialog's field, while the dialog is open.
    if (HWND tone = FindWindowA(nullptr, "Pure test tone setting")) {
        printControl(tone, ids::kToneFrequency);
    }
    EnumWindows(printMessageBox, 0);
    return 0;
}
