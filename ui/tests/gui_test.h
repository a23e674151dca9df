#pragma once

// The GUI tests' one fixture: the program's main window as at start-up, with playbacks going
// to an in-memory device on a virtual clock, under a wx application started once per test
// program. Modal dialogs really run; message boxes are answered by expectations.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#define wxTEST_DIALOG_HOOK_CLASS GuiTestDialogHook
#include <wx/msgdlg.h>
#include <wx/testing.h>
#include <wx/window.h>

#include "engine/testing/test_output_device.h"
#include "engine/testing/virtual_clock.h"

class GuiTestDialogHook : public wxTestingModalHook {
  public:
    GuiTestDialogHook(const char* file, int line, const char* func)
        : wxTestingModalHook(file, line, func) {}

  protected:
    int Enter(wxDialog* dialog) override;
    void ReportFailure(const wxString& message) override { ADD_FAILURE() << message.utf8_string(); }
};

// Expects a message box with exactly this text and the caption "Vellumtone", answers OK.
class ExpectMessage : public wxExpectModalBase<wxMessageDialog, ExpectMessage> {
  public:
    explicit ExpectMessage(std::string text) : text_(std::move(text)) {}

  protected:
    int OnInvoked(wxMessageDialog* dialog) const override {
        EXPECT_EQ(dialog->GetMessage().utf8_string(), text_);
        EXPECT_EQ(dialog->GetCaption().utf8_string(), "Vellumtone");
        return wxID_OK;
    }
    wxString GetDefaultDescription() const override { return "message box " + text_; }

  private:
    std::string text_;
};

class MainWindow;

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

inline constexpr std::uint64_t kStartSeconds = 1'700'000'000;

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    wxWindow* control(int id) const;
    std::string text(int id) const { return textOf(control(id)); }
    void chooseMenu(int commandId);
    // Opens a dialog from the menu and runs the script while it is up; the script closes it.
    void withDialog(int commandId, const std::function<void(wxDialog&)>& script);

    VirtualClock clock{kStartSeconds};
    TestOutputDevice device;  // blocks finish only when a test says so
    MainWindow* window = nullptr;
};
