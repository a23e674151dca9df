#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>
#include <cstdio>
#include <cstdlib>

#include "app.h"

int main(int argc, char** argv) {
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
