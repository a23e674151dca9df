// Reports, for the end-to-end test, what another process sees of the running program: whether
// the playback's event can be opened by name, the main window's place, the panel's status
// lines and where to click its controls and the tone dialog's field.
#include <windows.h>

#include <cstdio>
#include <utility>

#include "engine/auto_reset_event.h"
#include "resources/resource_ids.h"

namespace {

// Where to click a control: the middle of its rectangle on the screen.
void printControl(HWND dialog, int id) {
    RECT rect;
    if (GetWindowRect(GetDlgItem(dialog, id), &rect)) {
        std::printf("control %d %ld %ld\n", id, (rect.left + rect.right) / 2,
                    (rect.top + rect.bottom) / 2);
    }
}

}  // namespace

int main() {
    HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, AutoResetEvent::kPlaybackEventName);
    std::printf("event %d\n", event != nullptr ? 1 : 0);

    HWND window = FindWindowA("myVellumtoneClass", "Vellumtone Generator 0.9");
    RECT rect;
    if (!GetWindowRect(window, &rect)) {
        return 1;
    }
    std::printf("window %ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);

    // The panel is a dialog, of the dialog window class.
    HWND panel = FindWindowExA(window, nullptr, MAKEINTATOM(0x8002), nullptr);
    for (const auto& [id, name] :
         {std::pair{ids::kStatusLine, "status"}, std::pair{ids::kBurnInStatus, "burnin"}}) {
        char text[128] = {};
        GetDlgItemTextA(panel, id, text, sizeof text);
        std::printf("%s %s\n", name, text);
    }
    for (int id : {ids::kPlay, ids::kStop, ids::kVolumeSlider}) {
        printControl(panel, id);
    }
    // The tone dialog's field, while the dialog is open.
    printControl(FindWindowA(nullptr, "Pure test tone setting"), ids::kToneFrequency);
    return 0;
}
