#include "app.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "resources/resource_ids.h"
#include "ui/control_panel.h"
#include "ui/main_window.h"
#include "ui/startup.h"
#include "version.h"

namespace {

// For the screenshot script only: brings the window into the state to be photographed.
void showcase(MainWindow* window, std::string_view what) {
    auto menu = [window](int id) {
        wxCommandEvent event(wxEVT_MENU, id);
        window->GetEventHandler()->AddPendingEvent(event);
    };
    if (what == "playing") {
        menu(ids::kMenuWhiteNoise);
        window->CallAfter([window] {
            wxCommandEvent press(wxEVT_BUTTON, ids::kPlay);
            window->FindWindow(ids::kPlay)->GetEventHandler()->ProcessEvent(press);
        });
    } else if (what == "tone") {
        menu(ids::kMenuPureTone);
    } else if (what == "sweep") {
        menu(ids::kMenuSweep);
    } else if (what == "about") {
        menu(ids::kMenuAbout);
    }
}

}  // namespace

bool VellumtoneApp::OnInit() {
    SetAppName("vellumtone");
    SetAppDisplayName(version::kProductName);
    window_ = showMainWindow();
    // Opened once the window is up, so that a failure's message box appears over it.
    CallAfter([this] {
        storeOutputDevice(openOutputDevice(), window_);
        if (const char* what = std::getenv("VELLUMTONE_SHOWCASE")) {
            showcase(window_, what);
        }
    });
    if (std::getenv("VELLUMTONE_REPORT_SHOWN") != nullptr) {
        Bind(wxEVT_IDLE, &VellumtoneApp::onFirstIdle, this);
    }
    return true;
}

// Prints, for the start-up benchmark, when the event loop first runs idle with the window
// mapped: wall-clock nanoseconds, comparable with `date +%s%N`.
void VellumtoneApp::onFirstIdle(wxIdleEvent& event) {
    event.Skip();
    if (!window_->IsShownOnScreen()) {
        return;
    }
    Unbind(wxEVT_IDLE, &VellumtoneApp::onFirstIdle, this);
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::printf(
        "shown %lld\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    std::fflush(stdout);
}
