#pragma once

// Shared by the GUI tests: a wx application started once per test program, a fixture that
// fails (or skips) without a display, modal-dialog hooks that report to GoogleTest, and
// helpers that drive and wait for the real widgets.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#define wxTEST_DIALOG_HOOK_CLASS GuiTestDialogHook
#include <wx/msgdlg.h>
#include <wx/testing.h>

// The program's own dialogs really run; message boxes are answered by the expectations.
class GuiTestDialogHook : public wxTestingModalHook {
  public:
    GuiTestDialogHook(const char* file, int line, const char* func)
        : wxTestingModalHook(file, line, func) {}

  protected:
    int Enter(wxDialog* dialog) override;
    void ReportFailure(const wxString& message) override;
};

// Expects a message box with exactly this text and caption, and answers it with OK.
class ExpectMessage : public wxExpectModalBase<wxMessageDialog, ExpectMessage> {
  public:
    ExpectMessage(std::string text, std::string caption = "Vellumtone")
        : text_(std::move(text)), caption_(std::move(caption)) {}

  protected:
    int OnInvoked(wxMessageDialog* dialog) const override;
    wxString GetDefaultDescription() const override;

  private:
    std::string text_;
    std::string caption_;
};

// True when wx could open the display at start.
bool displayReady();

// Every GUI test: fails without a display when the services are required, else skips.
class GuiTest : public testing::Test {
  protected:
    void SetUp() override;
};

class MainWindow;

// A GUI test on the program's main window, shown as at start-up and destroyed afterwards.
class MainWindowFixture : public GuiTest {
  protected:
    void SetUp() override;
    void TearDown() override;
    wxWindow* control(int id) const;

    MainWindow* window = nullptr;
};

// Pumps the event loop until the condition holds; false when the time limit passed first.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(10));
// Lets queued events run for a moment.
void pumpEvents(std::chrono::milliseconds duration = std::chrono::milliseconds(50));

// Sends a control the event a click on it sends.
void click(wxWindow* button);
// Sends the main window a menu command.
void chooseMenu(wxWindow* window, int commandId);
// Checks or clears a check box as the user does, with its notification.
void setChecked(wxWindow* checkBox, bool checked);
// Replaces an edit field's text as typing would.
void setText(wxWindow* edit, const std::string& text);
std::string textOf(wxWindow* control);

// Calls `script` with the modal dialog of type D once `open` has shown it. The script must
// close the dialog; should it not, the test fails and the dialog is closed for it.
template <class D>
void withModalDialog(const std::function<void()>& open, const std::function<void(D&)>& script);

// Labels, check boxes and radio buttons: the controls whose text GTK wraps or cuts when the
// control is narrower than the text.
bool showsText(wxWindow* control);
// Where a control draws: for a label, only as far as its text's last visible character (a
// label's trailing blank may reach under its neighbour without harm).
wxRect visibleRect(wxWindow* control);
// Every text shown whole, and no control drawing over another. `skip` is a frame around the rest.
void expectClearLayout(wxWindow* parent, int skip = 0);

wxDialog* currentModalDialog();
void runWithModal(const std::function<void()>& open, const std::function<void(wxDialog&)>& script);

template <class D>
void withModalDialog(const std::function<void()>& open, const std::function<void(D&)>& script) {
    runWithModal(open, [&script](wxDialog& dialog) {
        D* typed = dynamic_cast<D*>(&dialog);
        ASSERT_NE(typed, nullptr) << "another dialog was shown";
        script(*typed);
    });
}
