#pragma once

// The GUI tests' one fixture: the program's main window as at start-up, with playbacks going
// to an in-memory device on a virtual clock, under a wx application that gui_test.cpp starts
// once per test program. Modal dialogs really run; message boxes are answered OK at once and
// recorded.

#include <gmock/gmock.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "engine/signal_player.h"
#include "engine/testing/test_output_device.h"
#include "engine/testing/test_services.h"
#include "engine/testing/virtual_clock.h"
#include "resources/resource_ids.h"
#include "ui/main_window.h"

// 2023-11-14 22:13:20 UTC; the tests run in UTC.
inline constexpr std::uint64_t kStartSeconds = 1'700'000'000;

inline SignalPlayer& player = SignalPlayer::instance;

// Set by gui_test.cpp: whether there is a display, and what the dialog hook saw.
inline bool guiReady = false;
inline std::vector<std::string> messages;  // each message box as "caption: text"
inline wxDialog* lastDialog = nullptr;     // the program's last own dialog to open

// Pumps the event loop until the condition holds; false when the time limit passed first.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
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

// Sends a control the event a click on it sends.
inline void click(wxWindow* button) {
    ASSERT_NE(button, nullptr);
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

// Replaces an edit field's text as typing would.
inline void setText(wxWindow* edit, const std::string& text) {
    auto* field = dynamic_cast<wxTextCtrl*>(edit);
    ASSERT_NE(field, nullptr);
    field->ChangeValue(wxString::FromUTF8(text));
}

inline std::string textOf(wxWindow* control) {
    if (auto* field = dynamic_cast<wxTextCtrl*>(control)) {
        return field->GetValue().utf8_string();
    }
    return control != nullptr ? control->GetLabel().utf8_string() : "";
}

// Presses a key on the real keyboard once `top` has it, and lets it arrive.
inline void pressKey(wxWindow* top, int key) {
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

// The in-memory device with the frames heard at the speakers set by the test, which may differ
// from the time that passed: the burn-in status must tell what was heard.
// Clicks the real pointer's left button at `where` inside the control.
inline void clickAt(wxWindow* control, wxPoint where) {
    wxUIActionSimulator mouse;
    mouse.MouseMove(control->GetScreenPosition() + where);
    mouse.MouseClick();
}

class HeardDevice final : public OutputDevice {
  public:
    explicit HeardDevice(TestOutputDevice& inner) : inner_(inner) {}
    void prepare(BlockHeader& header) override { inner_.prepare(header); }
    void unprepare(BlockHeader& header) override { inner_.unprepare(header); }
    void queue(BlockHeader& header) override { inner_.queue(header); }
    void flush() override { inner_.flush(); }
    std::uint64_t heardFrames() const override { return heard.load(); }

    std::atomic<std::uint64_t> heard{0};

  private:
    TestOutputDevice& inner_;
};

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        SKIP_OR_FAIL_UNLESS(guiReady, "an X display");
        player.setClock(&clock);
        player.setDevice(&heardDevice);
        window = MainWindow::open();
        ASSERT_TRUE(waitUntil([this] { return window->IsShownOnScreen(); }));
    }
    void TearDown() override {
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

    wxWindow* control(int id) const { return window->FindWindow(id); }
    std::string text(int id) const { return textOf(control(id)); }
    void chooseMenu(int id) { EXPECT_TRUE(window->ProcessCommand(id)) << "no menu item " << id; }
    // Opens a dialog from the menu and runs the script while it is up; the script closes it.
    void withDialog(int commandId, const std::function<void(wxDialog&)>& script) {
        lastDialog = nullptr;
        bool ran = false;
        wxTheApp->CallAfter([&] {
            ran = true;
            ASSERT_TRUE(lastDialog != nullptr && lastDialog->IsModal()) << "no modal dialog";
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
    // The message boxes shown since the last call.
    static std::vector<std::string> takeMessages() { return std::exchange(messages, {}); }

    VirtualClock clock{kStartSeconds};
    TestOutputDevice device;  // blocks finish only when a test says so
    HeardDevice heardDevice{device};
    MainWindow* window = nullptr;
};
