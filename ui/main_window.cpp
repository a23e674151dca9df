#include "ui/main_window.h"

#include <gtk/gtk.h>
#include <unistd.h>
#include <wx/display.h>
#include <wx/icon.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>

#include "engine/signal_player.h"
#include "resources/resource_ids.h"
#include "resources/vellumtone.xpm"
#include "ui/about_dialog.h"
#include "ui/common/messages.h"
#include "ui/control_panel.h"
#include "ui/dialog_units.h"
#include "ui/gtk_tuning.h"
#include "ui/sweep_dialog.h"
#include "ui/tone_dialog.h"
#include "ui/window_placement.h"
#include "version.h"

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 300;

// Ends the process at once with exit code 0. A playback may still be running: its thread and
// the audio callback use the player until the very end, so no static destructor may run
// (which exit() would do); the system reclaims the thread, the device and the memory.
[[noreturn]] void exitAtOnce() {
    _exit(0);
}

wxPoint centredPosition() {
    const wxSize screen = wxGetDisplaySize();
    return {screen.x / 2 - kWidth / 2, screen.y / 2 - kHeight / 2};
}

// wx asserts on menu IDs above 32767 because Windows hands them over as signed 16-bit words;
// GTK keeps them whole, so the menu's fixed command numbers 40001..40006 work as they are.
wxAssertHandler_t previousAssertHandler = nullptr;

void ignoreMenuIdAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                        const wxString& msg) {
    if (msg == "invalid itemid value") {
        return;
    }
    if (previousAssertHandler != nullptr) {
        previousAssertHandler(file, line, func, cond, msg);
    }
}

wxMenuBar* makeMenuBar() {
    previousAssertHandler = wxSetAssertHandler(ignoreMenuIdAssert);
    auto* file = new wxMenu;
    file->Append(ids::kMenuExit, "&Exit");
    auto* generator = new wxMenu;
    generator->Append(ids::kMenuWhiteNoise, "&White noise");
    generator->Append(ids::kMenuPinkNoise, "&Pink noise");
    generator->Append(ids::kMenuPureTone, "Pure test &tone");
    generator->Append(ids::kMenuSweep, "Frequency &sweep");
    auto* about = new wxMenu;
    about->Append(ids::kMenuAbout, "About this &program");

    auto* bar = new wxMenuBar;
    bar->Append(file, "&File");
    bar->Append(generator, "&Generator");
    bar->Append(about, "&About");
    wxSetAssertHandler(previousAssertHandler);
    return bar;
}

void selectGenerator(ControlPanel* panel, GeneratorKind kind) {
    SignalPlayer::instance.chooseGenerator(kind);
    panel->setStatusText(generatorStatusText(kind));
}

}  // namespace

MainWindow* MainWindow::open() {
    tuneGtk();
    auto* window = new MainWindow;
    placeWhenShown(window, centredPosition());
    // wx would realize the frame 2 pixels wide and 1 high, and a window manager maps it so:
    // too small for the menu bar, which GTK complains about. Realized here, it gets its size.
    gtk_widget_realize(window->GetHandle());
    window->Show();
    // Its borders are known once the window manager has framed it: then its outer size is
    // set again, the client area made smaller by what they take.
    afterShown(window, [window] { window->SetSize(kWidth, kHeight); });
    window->panel()->setUpVolumeSlider();
    return window;
}

void MainWindow::useOutputDevice(OpenResult opened) {
    if (!opened.error.empty()) {
        wxMessageBox(wxString::FromUTF8(opened.error), kMessageCaption, wxOK | wxICON_ERROR, this);
    }
    // Like every resource acquired at start-up, the device lives until the process ends. One
    // that found no sound server yet comes with the error: it keeps trying, so that a Play
    // after the server comes up is heard.
    if (opened.device) {
        SignalPlayer::instance.setDevice(opened.device.release());
    }
}

MainWindow::MainWindow()
    : wxFrame(nullptr, wxID_ANY, version::kTitle, centredPosition(), wxSize(kWidth, kHeight),
              wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX | wxCLIP_CHILDREN) {
    SetIcon(wxIcon(vellumtone_xpm));
    // The panel's dialog units are measured in the frame's font.
    SetFont(layoutFont());
    SetMenuBar(makeMenuBar());
    panel_ = new ControlPanel(this);
    // No sizer: the panel keeps its own size at the client area's top left corner.
    panel_->SetPosition(wxPoint(0, 0));

    Bind(
        wxEVT_MENU, [](wxCommandEvent&) { exitAtOnce(); }, ids::kMenuExit);
    Bind(wxEVT_MENU, &MainWindow::onWhiteNoise, this, ids::kMenuWhiteNoise);
    Bind(wxEVT_MENU, &MainWindow::onPinkNoise, this, ids::kMenuPinkNoise);
    Bind(wxEVT_MENU, &MainWindow::onPureTone, this, ids::kMenuPureTone);
    Bind(wxEVT_MENU, &MainWindow::onSweep, this, ids::kMenuSweep);
    Bind(wxEVT_MENU, &MainWindow::onAbout, this, ids::kMenuAbout);
    Bind(wxEVT_CLOSE_WINDOW, [](wxCloseEvent&) { exitAtOnce(); });
}

void MainWindow::onWhiteNoise(wxCommandEvent& /*event*/) {
    selectGenerator(panel_, GeneratorKind::WhiteNoise);
}

void MainWindow::onPinkNoise(wxCommandEvent& /*event*/) {
    selectGenerator(panel_, GeneratorKind::PinkNoise);
}

void MainWindow::onPureTone(wxCommandEvent& /*event*/) {
    ToneDialog dialog(this);
    dialog.ShowModal();
    // However the dialog was closed, the pure tone is the generator from now on.
    selectGenerator(panel_, GeneratorKind::PureTone);
}

void MainWindow::onSweep(wxCommandEvent& /*event*/) {
    SweepDialog dialog(this);
    dialog.ShowModal();
    selectGenerator(panel_, GeneratorKind::FrequencySweep);
}

void MainWindow::onAbout(wxCommandEvent& /*event*/) {
    AboutDialog dialog(this);
    dialog.ShowModal();
}
