#include "ui/tests/gui_test.h"

#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/init.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>
#include <cstdlib>

#include "ui/look.h"
#include "ui/main_window.h"
#include "ui/startup.h"

namespace {

bool ready = false;

// Any message box outside an expectation is a failure; answering it keeps the test going
// instead of hanging on a window nobody closes.
class UnexpectedMessageHook final : public wxModalDialogHook {
  protected:
    int Enter(wxDialog* dialog) override {
        if (auto* message = dynamic_cast<wxMessageDialog*>(dialog)) {
            ADD_FAILURE() << "unexpected message box: \"" << message->GetMessage().utf8_string()
                          << "\"";
            return wxID_OK;
        }
        return wxID_NONE;
    }
    void Exit(wxDialog*) override {}
};

void reportAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
    ADD_FAILURE_AT(file.utf8_string().c_str(), line)
        << "wx assertion in " << func.utf8_string() << ": " << cond.utf8_string() << " "
        << msg.utf8_string();
}

}  // namespace

int GuiTestDialogHook::Enter(wxDialog* dialog) {
    if (dynamic_cast<wxMessageDialog*>(dialog) == nullptr) {
        return wxID_NONE;
    }
    return wxTestingModalHook::Enter(dialog);
}

void GuiTestDialogHook::ReportFailure(const wxString& message) {
    ADD_FAILURE() << message.utf8_string();
}

int ExpectMessage::OnInvoked(wxMessageDialog* dialog) const {
    EXPECT_EQ(dialog->GetMessage().utf8_string(), text_);
    EXPECT_EQ(dialog->GetCaption().utf8_string(), caption_);
    return wxID_OK;
}

wxString ExpectMessage::GetDefaultDescription() const {
    return "message box \"" + wxString::FromUTF8(text_) + "\"";
}

bool displayReady() {
    return ready;
}

void GuiTest::SetUp() {
    if (ready) {
        return;
    }
    const char* required = std::getenv("VELLUMTONE_REQUIRE_SERVICES");
    if (required != nullptr && std::string(required) == "1") {
        FAIL() << "no display: the GUI tests need an X server (DISPLAY="
               << (std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "unset") << ")";
    }
    GTEST_SKIP() << "no display";
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

void pumpEvents(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        wxYield();
        wxMilliSleep(1);
    }
}

void click(wxWindow* button) {
    ASSERT_NE(button, nullptr);
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

void chooseMenu(wxWindow* window, int commandId) {
    wxCommandEvent event(wxEVT_MENU, commandId);
    event.SetEventObject(window);
    window->GetEventHandler()->ProcessEvent(event);
}

void setChecked(wxWindow* checkBox, bool checked) {
    auto* box = dynamic_cast<wxCheckBox*>(checkBox);
    ASSERT_NE(box, nullptr);
    box->SetValue(checked);
    wxCommandEvent event(wxEVT_CHECKBOX, box->GetId());
    event.SetEventObject(box);
    event.SetInt(checked ? 1 : 0);
    box->GetEventHandler()->ProcessEvent(event);
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
    return control->GetLabel().utf8_string();
}

bool showsText(wxWindow* control) {
    return dynamic_cast<wxStaticText*>(control) != nullptr ||
           dynamic_cast<wxCheckBox*>(control) != nullptr ||
           dynamic_cast<wxRadioButton*>(control) != nullptr;
}

wxRect visibleRect(wxWindow* control) {
    wxRect rect = control->GetRect();
    if (dynamic_cast<wxStaticText*>(control) != nullptr) {
        wxString text = control->GetLabel();
        text.Trim(true);
        rect.width = std::min(rect.width, control->GetTextExtent(text).x);
    }
    return rect;
}

void expectClearLayout(wxWindow* parent, int skip) {
    std::vector<wxWindow*> controls;
    for (wxWindow* child : parent->GetChildren()) {
        if (skip != 0 && child->GetId() == skip) {
            continue;
        }
        if (dynamic_cast<wxStaticBox*>(child) != nullptr) {
            continue;  // a frame around others
        }
        controls.push_back(child);
        EXPECT_TRUE(wxRect(parent->GetClientSize()).Contains(child->GetRect())) << textOf(child);
        if (showsText(child)) {
            EXPECT_GE(child->GetSize().x, child->GetBestSize().x) << textOf(child);
            EXPECT_GE(child->GetSize().y, child->GetBestSize().y) << textOf(child);
        }
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(visibleRect(controls[i]).Intersects(visibleRect(controls[j])))
                << textOf(controls[i]) << " overlaps " << textOf(controls[j]);
        }
    }
}

wxDialog* currentModalDialog() {
    for (wxWindow* window : wxTopLevelWindows) {
        if (auto* dialog = dynamic_cast<wxDialog*>(window);
            dialog != nullptr && dialog->IsModal()) {
            return dialog;
        }
    }
    return nullptr;
}

void runWithModal(const std::function<void()>& open, const std::function<void(wxDialog&)>& script) {
    bool ran = false;
    wxTheApp->CallAfter([&] {
        ran = true;
        wxDialog* dialog = currentModalDialog();
        if (dialog == nullptr) {
            ADD_FAILURE() << "no modal dialog is shown";
            return;
        }
        script(*dialog);
        if (dialog->IsModal()) {
            ADD_FAILURE() << "the dialog \"" << dialog->GetTitle().utf8_string()
                          << "\" was left open";
            dialog->EndModal(0);
        }
    });
    open();
    EXPECT_TRUE(ran) << "the dialog did not open";
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    setenv("GDK_GL", "disable", 0);
    wxApp::SetInstance(new wxApp);
    const char* display = std::getenv("DISPLAY");
    ready = display != nullptr && *display != '\0' && wxEntryStart(argc, argv) &&
            wxTheApp->CallOnInit();
    UnexpectedMessageHook unexpected;
    if (ready) {
        wxSetAssertHandler(reportAssert);
        unexpected.Register();
    }
    const int result = RUN_ALL_TESTS();
    if (ready) {
        unexpected.Unregister();
        wxTheApp->OnExit();
        wxEntryCleanup();
    }
    return result;
}

void MainWindowFixture::SetUp() {
    GuiTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    window = showMainWindow();
    ASSERT_TRUE(waitUntil([this] { return window->IsShownOnScreen(); }));
}

void MainWindowFixture::TearDown() {
    if (window != nullptr) {
        window->Destroy();
        window = nullptr;
    }
}

wxWindow* MainWindowFixture::control(int id) const {
    return window->FindWindow(id);
}
