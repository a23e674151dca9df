#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/app.h"
#include "version.h"

namespace {

constexpr const char* kHelp =
    "Usage: vellumtone [--help | --version]\n"
    "Plays white noise, pink noise, a sine tone or a frequency sweep through the default audio\n"
    "output until it is stopped, for the burn-in of headphones and other audio equipment.\n"
    "\n"
    "The window has a Generator menu to choose the signal, Play and Stop, a volume slider and\n"
    "optional rest periods: after every N minutes of playing the output falls silent for M\n"
    "minutes, then resumes by itself. Nothing is read or saved between runs.\n"
    "vellumtone-cli plays and renders the same signals from a terminal.\n"
    "\n"
    "Options:\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n";

// --help and --version answer without a display; any other argument is the toolkit's.
bool answeredFromCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kHelp, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("vellumtone %s\n", version::kVersion);
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (answeredFromCommandLine(argc, argv)) {
        return 0;
    }
    // GTK's OpenGL probe loads a whole graphics driver the program never uses; the user can
    // still ask for it by setting the variable.
    setenv("GDK_GL", "disable", 0);

    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((display == nullptr || *display == '\0') && (wayland == nullptr || *wayland == '\0')) {
        std::fputs(
            "vellumtone: no display found (DISPLAY is not set); it needs a graphical desktop.\n",
            stderr);
        return 1;
    }

    wxApp::SetInstance(new VellumtoneApp);
    {
        // Keep the toolkit's own complaint out of the way of the line below.
        wxLogNull quiet;
        if (!wxEntryStart(argc, argv)) {
            std::fprintf(stderr,
                         "vellumtone: cannot open the display \"%s\"; it needs a graphical "
                         "desktop.\n",
                         display != nullptr ? display : wayland);
            return 1;
        }
    }
    int code = 1;
    if (wxTheApp->CallOnInit()) {
        code = wxTheApp->OnRun();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return code;
}
