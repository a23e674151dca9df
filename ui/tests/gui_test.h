#pragma once

// The GUI tests' one fixture: the program's main window as at start-up, with playbacks going
// to an in-memory device on a virtual clock, under a wx application started once per test
// program. Modal dialogs really run; message boxes are answered OK at once and recorded.

#include <gtest/gtest.h>
#include <wx/dialog.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "engine/testing/test_output_device.h"
#include "engine/testing/virtual_clock.h"
#include "ui/main_window.h"

// Pumps the event loop until the condition holds; false when the time limit passed first.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(10));
// Sends a control the event a click on it sends.
void click(wxWindow* button);
// Replaces an edit field's text as typing would.
void setText(wxWindow* edit, const std::string& text);
std::string textOf(wxWindow* control);
// Presses a key on the real keyboard once `top` has it, and lets it arrive.
void pressKey(wxWindow* top, int key);

// 2023-11-14 22:13:20 UTC; the tests run in UTC.
inline constexpr std::uint64_t kStartSeconds = 1'700'000'000;

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    wxWindow* control(int id) const { return window->FindWindow(id); }
    std::string text(int id) const { return textOf(control(id)); }
    void chooseMenu(int id) { EXPECT_TRUE(window->ProcessCommand(id)) << "no menu item " << id; }
    // Opens a dialog from the menu and runs the script while it is up; the script closes it.
    void withDialog(int commandId, const std::function<void(wxDialog&)>& script);
    // The message boxes shown since the last call, each as "caption: text".
    static std::vector<std::string> takeMessages();

    VirtualClock clock{kStartSeconds};
    TestOutputDevice device;  // blocks finish only when a test says so
    MainWindow* window = nullptr;
};
