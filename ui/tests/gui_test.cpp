#include "ui/tests/gui_test.h"

#include <gmock/gmock.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>
#include <cstdlib>

#include "engine/signal_player.h"
#include "engine/testing/test_services.h"
#include "resources/resource_ids.h"

namespace {

bool ready = false;
SignalPlayer& player = SignalPlayer::instance;
std::vector<std::string> messages;
wxDialog* lastDialog = nullptr;

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

void MainWindowTest::SetUp() {
    SKIP_OR_FAIL_UNLESS(ready, "an X display");
    player.setClock(&clock);
    player.setDevice(&device);
    window = MainWindow::open();
    ASSERT_TRUE(waitUntil([this] { return window->IsShownOnScreen(); }));
}

void MainWindowTest::TearDown() {
    if (window == nullptr) {
        return;
    }
    if (player.playing.load() != 0) {
        click(control(ids::kStop));
    }
    // The end notice arrives through the event loop: Play is usable again after it.
    EXPECT_TRUE(waitUntil(
        [this] { return player.playing.load() == 0 && control(ids::kPlay)->IsEnabled(); }));
    EXPECT_THAT(takeMessages(), testing::IsEmpty()) << "message boxes no test expected";
    window->Destroy();
    waitUntil([] { return false; }, std::chrono::milliseconds(50));
    player.setDevice(nullptr);
    player.restoreDefaults();
    player.setClock(nullptr);
}

void MainWindowTest::withDialog(int commandId, const std::function<void(wxDialog&)>& script) {
    lastDialog = nullptr;
    bool ran = false;
    wxTheApp->CallAfter([&] {
        ran = true;
        ASSERT_TRUE(lastDialog != nullptr && lastDialog->IsModal()) << "no modal dialog is shown";
        script(*lastDialog);
        if (lastDialog->IsModal()) {
            ADD_FAILURE() << "the dialog \"" << lastDialog->GetTitle().utf8_string()
                          << "\" was left open";
            lastDialog->EndModal(0);
        }
    });
    chooseMenu(commandId);
    EXPECT_TRUE(ran) << "the dialog did not open";
}

std::vector<std::string> MainWindowTest::takeMessages() {
    return std::exchange(messages, {});
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        wxYield();
        wxMilliSleep(1);
    }
    return true;
}

void click(wxWindow* button) {
    ASSERT_NE(button, nullptr);
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

void setText(wxWindow* edit, const std::string& text) {
    auto* field = dynamic_cast<wxTextCtrl*>(edit);
    ASSERT_NE(field, nullptr);
    field->ChangeValue(wxString::FromUTF8(text));
}

std::string textOf(wxWindow* control) {
    if (auto* field = dynamic_cast<wxTextCtrl*>(control)) {
        return field->GetValue().utf8_string();
    }
    return control != nullptr ? control->GetLabel().utf8_string() : "";
}

void pressKey(wxWindow* top, int key) {
    ASSERT_TRUE(waitUntil([&] { return top->IsShownOnScreen(); }));
    wxUIActionSimulator keyboard;
    // Without a window manager the keyboard follows the pointer.
    keyboard.MouseMove(top->GetScreenRect().GetPosition() + wxPoint(4, 4));
    bool arrived = false;
    auto record = [&](wxKeyEvent& event) {
        arrived = arrived || event.GetKeyCode() == key;
        event.Skip();
    };
    top->Bind(wxEVT_CHAR_HOOK, record);
    keyboard.Char(key);
    EXPECT_TRUE(waitUntil([&] { return arrived; }, std::chrono::seconds(5)))
        << "the key never reached " << top->GetLabel().utf8_string();
    top->Unbind(wxEVT_CHAR_HOOK, record);
    waitUntil([] { return false; }, std::chrono::milliseconds(50));
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    setenv("GDK_GL", "disable", 0);
    // The burn-in status shows the end of a rest in local time.
    setenv("TZ", "UTC", 1);
    wxApp::SetInstance(new wxApp);
    const char* display = std::getenv("DISPLAY");
    ready = display != nullptr && *display != '\0' && wxEntryStart(argc, argv) &&
            wxTheApp->CallOnInit();
    DialogHook hook;
    hook.Register();
    const int result = RUN_ALL_TESTS();
    if (ready) {
        wxTheApp->OnExit();
        wxEntryCleanup();
    }
    return result;
}
