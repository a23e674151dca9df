#include "ui/app.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "ui/main_window.h"
#include "ui/window_placement.h"
#include "version.h"

namespace {

// The sound libraries write their failed attempts (ALSA's configuration errors above all) to
// standard error while looking for an output; the one message that matters is shown in a box.
OpenResult openOutputDeviceQuietly() {
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    dup2(null, STDERR_FILENO);
    OpenResult opened = openOutputDevice();
    dup2(saved, STDERR_FILENO);
    close(null);
    close(saved);
    return opened;
}

}  // namespace

bool VellumtoneApp::OnInit() {
    SetAppName("vellumtone");
    SetAppDisplayName(version::kProductName);
    MainWindow* window = MainWindow::open();
    afterShown(window, [window] { window->useOutputDevice(openOutputDeviceQuietly()); });
    return true;
}
