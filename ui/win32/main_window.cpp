#include "ui/win32/main_window.h"

#include "engine/signal_player.h"
#include "resources/resource_ids.h"
#include "ui/common/messages.h"
#include "ui/win32/control_panel.h"
#include "ui/win32/settings_dialogs.h"

namespace {

HWND mainPanel = nullptr;
// The panel's control that had the keyboard when the window was last deactivated.
HWND lastFocus = nullptr;

// The keyboard belongs to the panel: back to the control that had it, or the first one that
// takes it.
void focusPanel() {
    HWND target = lastFocus != nullptr && IsWindowEnabled(lastFocus) != FALSE
                      ? lastFocus
                      : GetNextDlgTabItem(mainPanel, nullptr, FALSE);
    if (target != nullptr) {
        SendMessageA(mainPanel, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
    }
}

void selectGenerator(GeneratorKind kind) {
    SignalPlayer::instance.chooseGenerator(kind);
    setStatusText(mainPanel, generatorStatusText(kind));
}

void openDialog(HWND owner, int templateId, DLGPROC procedure) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), owner, procedure, 0);
}

void onCommand(HWND window, int id) {
    switch (id) {
        case ids::kMenuExit:
            // Ends at once: a running playback and the open device go with the process.
            ExitProcess(0);
        case ids::kMenuWhiteNoise:
            selectGenerator(GeneratorKind::WhiteNoise);
            break;
        case ids::kMenuPinkNoise:
            selectGenerator(GeneratorKind::PinkNoise);
            break;
        case ids::kMenuPureTone:
            openDialog(window, ids::kToneTemplate, toneDialogProc);
            // However the dialog was closed, the pure tone is the generator from now on.
            selectGenerator(GeneratorKind::PureTone);
            break;
        case ids::kMenuSweep:
            openDialog(window, ids::kSweepTemplate, sweepDialogProc);
            selectGenerator(GeneratorKind::FrequencySweep);
            break;
        case ids::kMenuAbout:
            openDialog(window, ids::kAboutTemplate, aboutDialogProc);
            break;
        default:
            break;
    }
}

}  // namespace

void setMainPanel(HWND panel) {
    mainPanel = panel;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_CLOSE:
            ExitProcess(0);
        case WM_COMMAND:
            onCommand(window, LOWORD(wParam));
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                lastFocus = IsChild(mainPanel, focus) != FALSE ? focus : nullptr;
            }
            return DefWindowProcA(window, message, wParam, lParam);
        case WM_SETFOCUS:
            focusPanel();
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
