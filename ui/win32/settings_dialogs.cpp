#include "ui/win32/settings_dialogs.h"

#include "engine/signal_player.h"
#include "resources/resource_ids.h"
#include "ui/common/field_checks.h"
#include "ui/common/number_text.h"
#include "ui/win32/window_text.h"

namespace {

SignalPlayer& player = SignalPlayer::instance;

void setNumber(HWND dialog, int id, std::uint32_t value) {
    SetDlgItemTextA(dialog, id, writeUnsigned(value).c_str());
}

void onToneOk(HWND dialog) {
    if (auto refusal = applyToneField(player, dialogItemText(dialog, ids::kToneFrequency))) {
        // The text stays as typed, for the user to correct.
        showMessage(GetParent(dialog), *refusal);
        return;
    }
    EndDialog(dialog, 0);
}

void onSweepOk(HWND dialog) {
    if (auto refusal = applySweepFields(player, dialogItemText(dialog, ids::kSweepSeconds),
                                        dialogItemText(dialog, ids::kSweepLimit))) {
        showMessage(GetParent(dialog), *refusal);
        return;
    }
    EndDialog(dialog, 0);
}

}  // namespace

// Enter and Escape (commands 1 and 2) are not handled: neither closes the dialog.
INT_PTR CALLBACK toneDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_SHOWWINDOW:
            // The only waveform there is: always shown chosen, never read.
            CheckDlgButton(dialog, ids::kToneSine, BST_CHECKED);
            if (wParam != 0) {
                setNumber(dialog, ids::kToneFrequency, player.toneFrequency.load());
            }
            break;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case ids::kToneOk:
                    onToneOk(dialog);
                    break;
                case ids::kToneCancel:
                    EndDialog(dialog, 0);
                    break;
                default:
                    break;
            }
            break;
        case WM_CLOSE:
            EndDialog(dialog, 0);
            break;
        default:
            break;
    }
    return 0;
}

INT_PTR CALLBACK sweepDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_SHOWWINDOW:
            setNumber(dialog, ids::kSweepSeconds, player.sweepSeconds.load());
            setNumber(dialog, ids::kSweepLimit, player.sweepLimit.load());
            break;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case ids::kSweepOk:
                    onSweepOk(dialog);
                    break;
                case ids::kSweepCancel:
                    EndDialog(dialog, 0);
                    break;
                default:
                    break;
            }
            break;
        case WM_CLOSE:
            EndDialog(dialog, 0);
            break;
        default:
            break;
    }
    return 0;
}

// Only the Close button (also reached with Enter) closes it.
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    if (message == WM_COMMAND && LOWORD(wParam) == ids::kAboutClose) {
        EndDialog(dialog, 0);
    }
    return 0;
}
