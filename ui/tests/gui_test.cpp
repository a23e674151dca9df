// The GUI tests' program: a wx application on the display, and a hook that answers message
// boxes.
#include <wx/init.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>

#include <cstdlib>

#include "ui/tests/gui_test.h"

namespace {

// Message boxes are recorded and answered OK without showing; the program's own dialogs run.
class DialogHook : public wxModalDialogHook {
  protected:
    int Enter(wxDialog* dialog) override {
        auto* box = dynamic_cast<wxMessageDialog*>(dialog);
        if (box == nullptr) {
            lastDialog = dialog;
            return wxID_NONE;
        }
        messages.push_back(box->GetCaption().utf8_string() + ": " +
                           box->GetMessage().utf8_string());
        return wxID_OK;
    }
    void Exit(wxDialog* /*dialog*/) override {}
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    setenv("GDK_GL", "disable", 0);
    // The burn-in status shows the end of a rest in local time.
    setenv("TZ", "UTC", 1);
    wxApp::SetInstance(new wxApp);
    const char* display = std::getenv("DISPLAY");
    guiReady = display != nullptr && *display != '\0' && wxEntryStart(argc, argv) &&
               wxTheApp->CallOnInit();
    DialogHook hook;
    hook.Register();
    const int result = RUN_ALL_TESTS();
    if (guiReady) {
        wxTheApp->OnExit();
        wxEntryCleanup();
    }
    return result;
}
