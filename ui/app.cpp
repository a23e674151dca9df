#include "ui/app.h"

#include "ui/main_window.h"
#include "version.h"

bool VellumtoneApp::OnInit() {
    SetAppName("vellumtone");
    SetAppDisplayName(version::kProductName);
    MainWindow* window = MainWindow::open();
    CallAfter([window] { window->useOutputDevice(openOutputDevice()); });
    return true;
}
