#include "ui/startup.h"

#include <wx/msgdlg.h>

#include "engine/signal_player.h"
#include "ui/common/messages.h"
#include "ui/control_panel.h"
#include "ui/look.h"
#include "ui/main_window.h"

MainWindow* showMainWindow() {
    applyCompactStyle();
    auto* window = new MainWindow;
    window->Show();
    window->panel()->setUpVolumeSlider();
    return window;
}

void storeOutputDevice(OpenResult opened, wxWindow* owner) {
    if (!opened.device) {
        wxMessageBox(wxString::FromUTF8(opened.error), kMessageCaption, wxOK | wxICON_ERROR, owner);
        return;
    }
    // Like every resource acquired at start-up, the device lives until the process ends.
    SignalPlayer::instance.setDevice(opened.device.release());
}
