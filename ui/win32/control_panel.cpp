#include "ui/win32/control_panel.h"

#include <commctrl.h>

#include <cstdint>

#include "engine/signal_player.h"
#include "resources/resource_ids.h"
#include "ui/common/burn_in_status.h"
#include "ui/common/field_checks.h"
#include "ui/common/messages.h"
#include "ui/win32/window_text.h"

namespace {

SignalPlayer& player = SignalPlayer::instance;

constexpr int kVolumeMax = SignalPlayer::kMaxVolumePosition;
constexpr int kVolumeStep = 3000;

// Posted by the playback thread when a playback has ended; wParam is the PlaybackEnd.
constexpr UINT kPlaybackEnded = WM_APP + 1;

// Posted by the engine when a playback starts or ends or a rest starts or ends.
constexpr UINT kBurnInChanged = WM_APP + 2;

// Reads the burn-in status once a second while a playback runs: the output's coming and
// going is not announced.
constexpr UINT_PTR kBurnInTimer = 1;

void showBurnIn(HWND panel) {
    SetDlgItemTextA(panel, ids::kBurnInStatus, BurnInStatus::format(player.burnIn()).c_str());
}

// Moves the keyboard to a control of the panel, as the tab key would.
void focusItem(HWND panel, int id) {
    SendMessageA(panel, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(panel, id)), TRUE);
}

HWND ownerOf(HWND panel) {
    return GetParent(panel);
}

void enableItem(HWND panel, int id, bool enable) {
    EnableWindow(GetDlgItem(panel, id), enable ? TRUE : FALSE);
}

void onPlay(HWND panel) {
    switch (player.play()) {
        case PlayOutcome::Started:
            // The keyboard stays on the panel: Stop is the button that can be pressed now.
            focusItem(panel, ids::kStop);
            enableItem(panel, ids::kPlay, false);
            showBurnIn(panel);
            SetTimer(panel, kBurnInTimer, 1000, nullptr);
            break;
        case PlayOutcome::NoGenerator:
            showMessage(ownerOf(panel), kSelectGeneratorMessage);
            break;
        case PlayOutcome::AlreadyPlaying:
            break;
    }
}

void onStop(HWND panel) {
    if (player.stop()) {
        enableItem(panel, ids::kStop, false);
    }
}

void onRestCheck(HWND panel) {
    const LRESULT state = SendDlgItemMessageA(panel, ids::kRestCheck, BM_GETCHECK, 0, 0);
    if (state != BST_CHECKED && state != BST_UNCHECKED) {
        return;
    }
    const bool checked = state == BST_CHECKED;
    applyRestCheck(player, checked, dialogItemText(panel, ids::kRestEvery),
                   dialogItemText(panel, ids::kRestLength));
    // The durations are taken when the box is checked; to change them, clear it first.
    enableItem(panel, ids::kRestEvery, !checked);
    enableItem(panel, ids::kRestLength, !checked);
}

// Every notification of a drag changes the volume; one that leaves the position as it was
// (the end of a drag or a click) changes nothing.
void onVolume(HWND panel) {
    const LRESULT position = SendDlgItemMessageA(panel, ids::kVolumeSlider, TBM_GETPOS, 0, 0);
    player.setVolumePosition(static_cast<std::uint32_t>(position));
}

void onPlaybackEnded(HWND panel, PlaybackEnd how) {
    KillTimer(panel, kBurnInTimer);
    showBurnIn(panel);
    // Play takes the keyboard back unless the user has moved it to another control meanwhile.
    HWND focus = GetFocus();
    const bool focusLost = focus == nullptr || focus == GetParent(panel) ||
                           focus == GetDlgItem(panel, ids::kStop) ||
                           focus == GetDlgItem(panel, ids::kPlay);
    enableItem(panel, ids::kPlay, true);
    enableItem(panel, ids::kStop, true);
    if (focusLost) {
        focusItem(panel, ids::kPlay);
    }
    if (how == PlaybackEnd::OutOfMemory) {
        showMessage(ownerOf(panel), kOutOfMemoryMessage);
    }
}

}  // namespace

INT_PTR CALLBACK panelDialogProc(HWND panel, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WM_INITDIALOG:
            SetDlgItemTextA(panel, ids::kRestEvery, "120");
            SetDlgItemTextA(panel, ids::kRestLength, "30");
            break;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case ids::kPlay:
                    onPlay(panel);
                    break;
                case ids::kStop:
                    onStop(panel);
                    break;
                case ids::kRestCheck:
                    onRestCheck(panel);
                    break;
                default:
                    break;
            }
            break;
        case WM_HSCROLL:
            onVolume(panel);
            break;
        case WM_TIMER:
        case kBurnInChanged:
            showBurnIn(panel);
            break;
        case kPlaybackEnded:
            onPlaybackEnded(panel, static_cast<PlaybackEnd>(wParam));
            break;
        default:
            break;
    }
    return 0;
}

HWND createControlPanel(HINSTANCE instance, HWND mainWindow) {
    HWND panel = CreateDialogParamA(instance, MAKEINTRESOURCEA(ids::kPanelTemplate), mainWindow,
                                    panelDialogProc, 0);
    // The playback thread never touches a window: it posts, and the panel's own thread
    // enables the buttons.
    player.setEndNotice([panel](PlaybackEnd how) {
        PostMessageA(panel, kPlaybackEnded, static_cast<WPARAM>(how), 0);
    });
    player.setChangeNotice([panel] { PostMessageA(panel, kBurnInChanged, 0, 0); });
    return panel;
}

void setStatusText(HWND panel, const char* text) {
    SetDlgItemTextA(panel, ids::kStatusLine, text);
}

void setUpVolumeSlider(HWND panel) {
    SendDlgItemMessageA(panel, ids::kVolumeSlider, TBM_SETRANGE, TRUE, MAKELPARAM(0, kVolumeMax));
    SendDlgItemMessageA(panel, ids::kVolumeSlider, TBM_SETPAGESIZE, 0, kVolumeStep);
    SendDlgItemMessageA(panel, ids::kVolumeSlider, TBM_SETLINESIZE, 0, kVolumeStep);
    SendDlgItemMessageA(panel, ids::kVolumeSlider, TBM_SETPOS, TRUE, player.amplitude.load() / 2);
}
