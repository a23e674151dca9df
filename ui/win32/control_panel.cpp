#include "ui/win32/control_panel.h"

#include <commctrl.h>

#include <cstdint>

#include "engine/clock.h"
#include "engine/output_device.h"
#include "engine/signal_player.h"
#include "resources/resource_ids.h"
#include "ui/input_checks.h"
#include "ui/win32/window_text.h"

namespace {

SignalPlayer& player = SignalPlayer::instance;

constexpr int kVolumeMax = 32767;
constexpr int kVolumeStep = 3000;

// Posted by the playback thread when a playback has ended; wParam is the PlaybackEnd.
constexpr UINT kPlaybackEnded = WM_APP + 1;

HWND ownerOf(HWND panel) {
    return GetParent(panel);
}

void onPlay(HWND panel) {
    if (player.playing.load() != 0) {
        return;
    }
    player.stopRequested = 0;
    player.volumeChanged = 0;
    player.wakeEvent.reset();
    if (player.generator.load() == GeneratorKind::None) {
        showMessage(ownerOf(panel), kSelectGeneratorMessage);
        return;
    }
    EnableWindow(GetDlgItem(panel, ids::kPlay), FALSE);
    player.startPlayback();
}

void onStop(HWND panel) {
    if (player.playing.load() == 0) {
        return;
    }
    EnableWindow(GetDlgItem(panel, ids::kStop), FALSE);
    player.stopRequested = 1;
    player.wakeEvent.set();
}

void onRestCheck(HWND panel) {
    const LRESULT state = SendDlgItemMessageA(panel, ids::kRestCheck, BM_GETCHECK, 0, 0);
    if (state == BST_CHECKED) {
        if (auto minutes = readRestMinutes(dialogItemText(panel, ids::kRestEvery))) {
            player.restEveryMinutes = *minutes;
        }
        if (auto minutes = readRestMinutes(dialogItemText(panel, ids::kRestLength))) {
            player.restLengthMinutes = *minutes;
        }
        EnableWindow(GetDlgItem(panel, ids::kRestEvery), FALSE);
        EnableWindow(GetDlgItem(panel, ids::kRestLength), FALSE);
        player.restReference = static_cast<std::uint32_t>(player.clock().now());
        // Last, so that a playback never sees the switch on with the old durations.
        player.restEnabled = 1;
    } else if (state == BST_UNCHECKED) {
        player.restEnabled = 0;
        EnableWindow(GetDlgItem(panel, ids::kRestEvery), TRUE);
        EnableWindow(GetDlgItem(panel, ids::kRestLength), TRUE);
    }
}

// Every notification of a drag, not only the last, changes the volume.
void onVolume(HWND panel) {
    const LRESULT position = SendDlgItemMessageA(panel, ids::kVolumeSlider, TBM_GETPOS, 0, 0);
    player.amplitude = static_cast<std::uint16_t>(position * 2);
    if (player.playing.load() != 0 && player.resting.load() == 0) {
        player.volumeChanged = 1;
        // The flush hands back both queued blocks; the playback goes on at the new amplitude.
        if (OutputDevice* device = player.device.load()) {
            device->flush();
        }
    }
}

void onPlaybackEnded(HWND panel, PlaybackEnd how) {
    EnableWindow(GetDlgItem(panel, ids::kPlay), TRUE);
    EnableWindow(GetDlgItem(panel, ids::kStop), TRUE);
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
