#include "ui/app.h"

#include "ui/main_window.h"
#include "ui/window_placement.h"
#include "version.h"

bool VellumtoneApp::OnInit() {
    SetAppName("vellumtone");
    SetAppDisplayName(version::kProductName);
    MainWindow* window = MainWindow::open();
    afterShown(window, [window] { window->useOutputDevice(openOutputDevice()); });
    return true;
}
