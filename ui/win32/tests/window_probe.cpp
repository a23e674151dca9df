// Reports, for the end-to-end test, what another process sees of the running program: whether
// the playback's event can be opened by name, the main window's place, the panel's status
// lines, which control has the keyboard, whether Play and Stop are enabled, and where to click
// its controls and the tone dialog's field. With "fit", it instead makes every window template
// of vellumtone.exe here and reports each text that does not fit its control in the
// template's own font, the status lines' longest texts included.
#include <windows.h>
// clang-format off
#include <commctrl.h>
// clang-format on

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "engine/auto_reset_event.h"
#include "resources/resource_ids.h"
#include "ui/common/burn_in_status.h"
#include "ui/common/messages.h"

namespace {

// Where to click a control: the middle of its rectangle on the screen.
void printControl(HWND dialog, int id) {
    RECT rect;
    if (GetWindowRect(GetDlgItem(dialog, id), &rect)) {
        std::printf("control %d %ld %ld\n", id, (rect.left + rect.right) / 2,
                    (rect.top + rect.bottom) / 2);
    }
}

int report() {
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
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
    std::printf("focus %d\n", thread.hwndFocus != nullptr ? GetDlgCtrlID(thread.hwndFocus) : 0);
    std::printf("enabled play %d stop %d\n", IsWindowEnabled(GetDlgItem(panel, ids::kPlay)),
                IsWindowEnabled(GetDlgItem(panel, ids::kStop)));
    for (int id : {ids::kPlay, ids::kStop, ids::kVolumeSlider}) {
        printControl(panel, id);
    }
    // The tone dialog's field, while the dialog is open.
    printControl(FindWindowA(nullptr, "Pure test tone setting"), ids::kToneFrequency);
    return 0;
}

INT_PTR CALLBACK quietDialog(HWND /*dialog*/, UINT /*message*/, WPARAM /*w*/, LPARAM /*l*/) {
    return 0;
}

// Room a control's frame takes from its text: a check box's box and gap, a push button's
// edges, a group box's indent on both sides.
int frameWidth(HWND control) {
    char kind[32] = {};
    GetClassNameA(control, kind, sizeof kind);
    if (lstrcmpiA(kind, "Button") != 0) {
        return 0;
    }
    switch (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) {
        case BS_AUTOCHECKBOX:
        case BS_CHECKBOX:
        case BS_AUTORADIOBUTTON:
        case BS_RADIOBUTTON:
            return GetSystemMetrics(SM_CXMENUCHECK) + 4;
        case BS_GROUPBOX:
            return 16;
        default:
            return 6;
    }
}

// Every line of `text` within the control's width, all of them within its height, as
// GetTextExtentPoint32 measures them in the font selected into `dc`.
int checkText(HDC dc, HWND control, const std::string& text, const char* where) {
    RECT room;
    GetClientRect(control, &room);
    const int width = room.right - frameWidth(control);
    int height = 0;
    int widest = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        std::erase(line, '&');
        SIZE size{};
        GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
        height += size.cy;
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    if (widest > width || height > room.bottom) {
        std::printf("unfit %s %d \"%s\" %dx%d in %ldx%ld\n", where, GetDlgCtrlID(control),
                    text.c_str(), widest, height, static_cast<long>(width), room.bottom);
        return 0;
    }
    return 1;
}

int fit() {
    InitCommonControls();
    HMODULE program = LoadLibraryExA("vellumtone.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    // The panel is a child window: it needs a parent.
    HWND parent =
        CreateWindowA("Static", "", WS_POPUP, 0, 0, 400, 400, nullptr, nullptr, nullptr, nullptr);
    const BurnInReport longest{BurnInState::Resting, (102 * 3600 + 13 * 60 + 5) * 1000ULL,
                               1'700'000'000};
    std::vector<std::pair<int, std::string>> statusTexts{
        {ids::kStatusLine, kNoGeneratorStatus},
        {ids::kStatusLine, generatorStatusText(GeneratorKind::FrequencySweep)},
        {ids::kBurnInStatus, BurnInStatus::format(longest)}};
    for (BurnInState state : {BurnInState::NoOutput, BurnInState::Stopped}) {
        statusTexts.emplace_back(ids::kBurnInStatus,
                                 BurnInStatus::format({state, longest.heardMs, 0}));
    }
    int fitted = 0;
    int unfit = 0;
    for (const auto& [id, name] :
         {std::pair{ids::kPanelTemplate, "panel"}, std::pair{ids::kToneTemplate, "tone"},
          std::pair{ids::kSweepTemplate, "sweep"}, std::pair{ids::kAboutTemplate, "about"}}) {
        HWND dialog = CreateDialogParamA(program, MAKEINTRESOURCEA(id), parent, quietDialog, 0);
        if (dialog == nullptr) {
            std::printf("no template %s\n", name);
            return 1;
        }
        HDC dc = GetDC(dialog);
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
        for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr;
             control = GetWindow(control, GW_HWNDNEXT)) {
            char kind[32] = {};
            GetClassNameA(control, kind, sizeof kind);
            if (lstrcmpiA(kind, "Static") != 0 && lstrcmpiA(kind, "Button") != 0) {
                continue;
            }
            char text[256] = {};
            GetWindowTextA(control, text, sizeof text);
            (checkText(dc, control, text, name) != 0 ? fitted : unfit)++;
        }
        if (id == ids::kPanelTemplate) {
            for (const auto& [control, text] : statusTexts) {
                (checkText(dc, GetDlgItem(dialog, control), text, name) != 0 ? fitted : unfit)++;
            }
        }
        ReleaseDC(dialog, dc);
        DestroyWindow(dialog);
    }
    std::printf("fitted %d unfit %d\n", fitted, unfit);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return argc > 1 && std::string(argv[1]) == "fit" ? fit() : report();
}
