// Reports, for the end-to-end test, what another process sees of the running program: whether
// the playback's event can be opened by name, the main window's place, which control has the
// keyboard, and for each control of the panel and of the tone dialog (while it is open) the
// middle of its rectangle on the screen and its text. With "fit", it instead makes every window
// template of vellumtone.exe here and reports each text that does not fit its control in the
// template's own font, the status lines' longest texts included.
#include <windows.h>
// clang-format off
#include <commctrl.h>
// clang-format on

#include <cstdio>
#include <string>
#include <utility>

#include "engine/auto_reset_event.h"
#include "resources/resource_ids.h"
#include "ui/common/burn_in_status.h"
#include "ui/common/messages.h"

namespace {

int report() {
    HWND window = FindWindowA("myVellumtoneClass", "Vellumtone Generator 0.9");
    RECT rect;
    if (!GetWindowRect(window, &rect)) {
        return 1;
    }
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
    std::printf("event %d\nwindow %ld %ld %ld %ld\nfocus %d\n",
                OpenEventA(SYNCHRONIZE, FALSE, AutoResetEvent::kPlaybackEventName) != nullptr,
                rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                GetDlgCtrlID(thread.hwndFocus));
    // The panel is a dialog, of the dialog window class.
    for (HWND dialog : {FindWindowExA(window, nullptr, MAKEINTATOM(0x8002), nullptr),
                        FindWindowA(nullptr, "Pure test tone setting")}) {
        for (HWND control = dialog != nullptr ? GetWindow(dialog, GW_CHILD) : nullptr;
             control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
            char text[128] = {};
            SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
            GetWindowRect(control, &rect);
            const int id = GetDlgCtrlID(control);
            std::printf("control %d %ld %ld\ntext %d %s\n", id, (rect.left + rect.right) / 2,
                        (rect.top + rect.bottom) / 2, id, text);
        }
    }
    return 0;
}

// The text as the control lays it out, breaking lines between words, within the control's
// width (less a check box's box, the widest frame a button has) and height, in the font
// selected into `dc`.
bool fits(HDC dc, HWND control, const std::string& text) {
    char kind[32] = {};
    GetClassNameA(control, kind, sizeof kind);
    RECT room;
    GetClientRect(control, &room);
    const int frame = lstrcmpiA(kind, "Button") == 0 ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0;
    RECT need{0, 0, room.right - frame, 0};
    DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK);
    if (need.right > room.right - frame || need.bottom > room.bottom) {
        std::printf("unfit %d \"%s\" in %ldx%ld\n", GetDlgCtrlID(control), text.c_str(), room.right,
                    room.bottom);
        return false;
    }
    return true;
}

int fit() {
    InitCommonControls();
    HMODULE program = LoadLibraryExA("vellumtone.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    // The panel is a child window: it needs a parent.
    HWND parent = CreateWindowA("Static", "", WS_POPUP, 0, 0, 9, 9, {}, {}, {}, {});
    const std::uint64_t longest = (102 * 3600 + 13 * 60 + 5) * 1000ULL;
    const std::pair<int, std::string> statusTexts[] = {
        {ids::kStatusLine, generatorStatusText(GeneratorKind::FrequencySweep)},
        {ids::kBurnInStatus, BurnInStatus::format({BurnInState::Resting, longest, 1'700'000'000})},
        {ids::kBurnInStatus, BurnInStatus::format({BurnInState::NoOutput, longest, 0})}};
    int fitted = 0;
    int unfit = 0;
    for (int id :
         {ids::kPanelTemplate, ids::kToneTemplate, ids::kSweepTemplate, ids::kAboutTemplate}) {
        HWND dialog = CreateDialogParamA(
            program, MAKEINTRESOURCEA(id), parent,
            [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; }, 0);
        unfit += dialog == nullptr ? 1 : 0;
        HDC dc = GetDC(dialog);
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
        for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr;
             control = GetWindow(control, GW_HWNDNEXT)) {
            char text[256] = {};
            GetWindowTextA(control, text, sizeof text);
            (fits(dc, control, text) ? fitted : unfit)++;
        }
        // The status lines' longest texts, in the panel.
        for (const auto& [control, text] : statusTexts) {
            HWND status = GetDlgItem(dialog, control);
            (status == nullptr || fits(dc, status, text) ? fitted : unfit)++;
        }
        ReleaseDC(dialog, dc);
    }
    std::printf("fitted %d unfit %d\n", fitted, unfit);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return argc > 1 && std::string(argv[1]) == "fit" ? fit() : report();
}
