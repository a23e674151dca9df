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

// Pumps the event loop until the condition holds; false when it never did.
inline bool waitUntil(const std::function<bool()>& condition) {
    return eventually([&] {
        wxYield();  // false inside another yield, whose events are pumped then anyway
        return condition();
    });
}
// Lets the events of the last 50 ms arrive.
inline void settle() {
    wxMilliSleep(50);
    wxYield();
}

// Sends a control the event a click on it sends.
inline void click(wxWindow* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

// Replaces an edit field's text as typing would.
inline void setText(wxWindow* edit, const std::string& text) {
    dynamic_cast<wxTextCtrl&>(*edit).ChangeValue(wxString::FromUTF8(text));
}

inline std::string textOf(wxWindow* control) {
    auto* field = dynamic_cast<wxTextCtrl*>(control);
    return (field != nullptr ? field->GetValue() : control->GetLabel()).utf8_string();
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
    EXPECT_TRUE(waitUntil([&] { return arrived; }))
        << "the key never reached " << top->GetLabel().utf8_string();
    top->Unbind(wxEVT_CHAR_HOOK, record);
    settle();
}

// The in-memory device with the frames heard at the speakers set by the test, which may differ
// from the time that passed: the burn-in status must tell what was heard.
struct HeardDevice final : OutputDevice {
    void prepare(BlockHeader& /*header*/) override {}
    void unprepare(BlockHeader& /*header*/) override {}
    void queue(BlockHeader& header) override { inner.queue(header); }
    void flush() override { inner.flush(); }
    std::uint64_t heardFrames() const override { return heard.load(); }

    TestOutputDevice inner;  // blocks finish only when a test says so
    std::atomic<std::uint64_t> heard{0};
};

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        SKIP_OR_FAIL_UNLESS(guiReady, "an X display");
        player.setClock(&clock);
        player.setDevice(&device);
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
        settle();
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
                ADD_FAILURE() << "the dialog was left open";
                lastDialog->EndModal(0);
            }
        });
        chooseMenu(commandId);
        EXPECT_TRUE(ran) << "the dialog did not open";
    }
    // The message boxes shown since the last call.
    static std::vector<std::string> takeMessages() { return std::exchange(messages, {}); }

    VirtualClock clock{kStartSeconds};
    HeardDevice device;
    MainWindow* window = nullptr;
};
