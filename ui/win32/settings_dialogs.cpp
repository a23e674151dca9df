#include "ui/win32/settings_dialogs.h"

#include <optional>
#include <string>

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

// What a settings dialog does with its fields: shows the player's values when it opens, and
// on OK stores them or tells why not. The tone dialog also shows its only waveform chosen.
struct SettingsDialog {
    int ok;
    int cancel;
    void (*show)(HWND dialog, bool opening);
    std::optional<std::string> (*apply)(HWND dialog);
};

// Enter and Escape (commands 1 and 2) are not handled: neither closes the dialog.
INT_PTR runSettingsDialog(const SettingsDialog& kind, HWND dialog, UINT message, WPARAM wParam) {
    if (message == WM_SHOWWINDOW) {
        kind.show(dialog, wParam != 0);
    } else if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == kind.cancel)) {
        EndDialog(dialog, 0);
    } else if (message == WM_COMMAND && LOWORD(wParam) == kind.ok) {
        if (auto refusal = kind.apply(dialog)) {
            // The text stays as typed, for the user to correct. The dialog owns the message, so
            // that it stays above the main window when the message closes.
            showMessage(dialog, *refusal);
        } else {
            EndDialog(dialog, 0);
        }
    }
    return 0;
}

const SettingsDialog kToneDialog{
    ids::kToneOk, ids::kToneCancel,
    [](HWND dialog, bool opening) {
        CheckDlgButton(dialog, ids::kToneSine, BST_CHECKED);
        if (opening) {
            setNumber(dialog, ids::kToneFrequency, player.toneFrequency.load());
        }
    },
    [](HWND dialog) {
        return applyToneField(player, dialogItemText(dialog, ids::kToneFrequency));
    }};

const SettingsDialog kSweepDialog{
    ids::kSweepOk, ids::kSweepCancel,
    [](HWND dialog, bool /*opening*/) {
        setNumber(dialog, ids::kSweepSeconds, player.sweepSeconds.load());
        setNumber(dialog, ids::kSweepLimit, player.sweepLimit.load());
    },
    [](HWND dialog) {
        return applySweepFields(player, dialogItemText(dialog, ids::kSweepSeconds),
                                dialogItemText(dialog, ids::kSweepLimit));
    }};

}  // namespace

INT_PTR CALLBACK toneDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    return runSettingsDialog(kToneDialog, dialog, message, wParam);
}

INT_PTR CALLBACK sweepDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    return runSettingsDialog(kSweepDialog, dialog, message, wParam);
}

// Only the Close button (also reached with Enter) closes it.
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    if (message == WM_COMMAND && LOWORD(wParam) == ids::kAboutClose) {
        EndDialog(dialog, 0);
    }
    return 0;
}
