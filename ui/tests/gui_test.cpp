// The main window as the user drives it, on the real widgets under an X server: the panel,
// the playback it starts on the engine, its messages and the settings dialogs. Playbacks go to an
// in-memory device on a virtual clock; the program's own dialogs really run, message boxes are
// answered OK at once and recorded.
#include <gmock/gmock.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <cstdlib>

#include "engine/signal_format.h"
#include "engine/testing/test_output_device.h"
#include "engine/testing/test_services.h"
#include "engine/testing/virtual_clock.h"
#include "resources/resource_ids.h"
#include "ui/common/messages.h"
#include "ui/main_window.h"

namespace {

SignalPlayer& player = SignalPlayer::instance;
bool guiReady = false;
std::vector<std::string> messages;  // each message box as "caption: text"
wxDialog* lastDialog = nullptr;     // the program's last own dialog to open

struct DialogHook : wxModalDialogHook {
    int Enter(wxDialog* dialog) override {
        if (auto* box = dynamic_cast<wxMessageDialog*>(dialog)) {
            messages.push_back(box->GetCaption().utf8_string() + ": " +
                               box->GetMessage().utf8_string());
            return wxID_OK;
        }
        lastDialog = dialog;
        return wxID_NONE;
    }
    void Exit(wxDialog* /*dialog*/) override {}
};

// Pumps the event loop until the condition holds; false when it never did.
bool waitUntil(const std::function<bool()>& condition) {
    return eventually([&] {
        wxYield();  // false inside another yield, whose events are pumped then anyway
        return condition();
    });
}

void click(wxWindow* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    button->GetEventHandler()->ProcessEvent(event);
}

// Presses a key on the real keyboard once `top` has it, and lets it arrive.
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
    EXPECT_TRUE(waitUntil([&] { return arrived; })) << "the key never reached " << top->GetLabel();
    top->Unbind(wxEVT_CHAR_HOOK, record);
    wxMilliSleep(50);
    wxYield();
}

// The in-memory device (its blocks finish only when a test says so) with the frames heard at
// the speakers set by the test, which may differ from the time that passed: the burn-in status
// must tell what was heard.
struct HeardDevice final : TestOutputDevice {
    std::uint64_t heardFrames() const override { return heard.load(); }
    std::atomic<std::uint64_t> heard{0};
};

// Each test is a process of its own, starting from the program's start-up state.
class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        SKIP_OR_FAIL_UNLESS(guiReady, "an X display");
        player.setClock(&clock);
        player.setDevice(&device);
        window = MainWindow::open();
    }
    void TearDown() override {
        EXPECT_THAT(messages, testing::IsEmpty()) << "unexpected message boxes";
        // The playback must not outlive the device and clock it uses.
        player.stop();
        EXPECT_TRUE(waitUntil([] { return player.playing.load() == 0; }));
    }

    wxWindow* control(int id) const { return window->FindWindow(id); }
    std::string text(int id) const { return control(id)->GetLabel().utf8_string(); }
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

    VirtualClock clock{1'700'000'000};
    HeardDevice device;
    MainWindow* window = nullptr;
};

using PanelTest = MainWindowTest;

// The whole way from the keyboard to the sound device and back. Play asks for a generator
// first, and tells of a playback that found no memory for its blocks. Once there is one, Play
// pressed with the space bar (the keyboard is on it from the start) queues the first two blocks and
// hands the keyboard to Stop. A page up on the slider lowers the amplitude, flushing what was
// queued; two new blocks follow a pause of two seconds. Clicks on the track step it like the keys.
// Stop is usable once, and both buttons again when the playback has ended.
TEST_F(PanelTest, KeyboardPlaysChangesTheVolumeAndStops) {
    click(control(ids::kPlay));
    EXPECT_THAT(std::exchange(messages, {}),
                testing::ElementsAre("Vellumtone: Please select the generator."));
    player.sweepSeconds = kMaxSweepSeconds + 1;  // behind the dialog's back
    player.chooseGenerator(GeneratorKind::FrequencySweep);
    click(control(ids::kPlay));
    EXPECT_TRUE(waitUntil([this] { return control(ids::kPlay)->IsEnabled(); }));
    EXPECT_THAT(std::exchange(messages, {}),
                testing::ElementsAre("Vellumtone: Error: Unable to allocate or lock memory."));

    chooseMenu(ids::kMenuWhiteNoise);
    pressKey(window, WXK_SPACE);
    ASSERT_TRUE(waitUntil([this] { return device.played().size() == 2; }));
    EXPECT_FALSE(control(ids::kPlay)->IsEnabled());
    EXPECT_EQ(wxWindow::FindFocus(), control(ids::kStop));
    EXPECT_EQ(text(ids::kBurnInStatus), "Playing 0:00:00");

    // The slider starts at half the amplitude, 20000, and a page is 3000.
    control(ids::kVolumeSlider)->SetFocus();
    pressKey(window, WXK_PAGEUP);
    EXPECT_EQ(player.amplitude.load(), 2 * 17000);
    EXPECT_EQ(device.flushes(), 1U);
    ASSERT_TRUE(waitUntil([this] { return device.played().size() == 4; }));
    // A click on the track, left of the thumb and then right of it, moves the slider a page
    // toward the click, never to the click.
    wxWindow* slider = control(ids::kVolumeSlider);
    wxUIActionSimulator mouse;
    for (const auto& [x, position] :
         {std::pair{8, 14000}, std::pair{slider->GetSize().x - 9, 17000}}) {
        mouse.MouseMove(slider->GetScreenPosition() + wxPoint(x, slider->GetSize().y / 2));
        mouse.MouseClick();
        const int want = 2 * position;
        EXPECT_TRUE(waitUntil([want] { return player.amplitude.load() == want; }))
            << "slider at " << player.amplitude.load() / 2 << ", not " << position;
    }

    // The status tells the time the device played to the speakers (a second and a half),
    // not the time that passed (two seconds of pauses after the volume changes, and more).
    device.heard = kSampleRate * 3 / 2;
    EXPECT_TRUE(waitUntil([this] { return text(ids::kBurnInStatus) == "Playing 0:00:01"; }))
        << text(ids::kBurnInStatus);

    control(ids::kStop)->SetFocus();
    click(control(ids::kStop));
    ASSERT_TRUE(waitUntil([this] { return control(ids::kPlay)->IsEnabled(); }));
    EXPECT_TRUE(control(ids::kStop)->IsEnabled());
    EXPECT_EQ(wxWindow::FindFocus(), control(ids::kPlay));
    EXPECT_EQ(text(ids::kBurnInStatus), "Stopped after 0:00:01");

    // The rest box takes the durations when checked and locks them until it is cleared.
    control(ids::kRestCheck)->SetFocus();
    for (const bool checked : {true, false}) {
        pressKey(window, WXK_SPACE);
        EXPECT_EQ(player.restEnabled.load(), checked ? 1 : 0);
        EXPECT_EQ(control(ids::kRestLength)->IsEnabled(), !checked);
    }
}

// Each settings dialog: a refused value (a sweep period that wraps
// to over an hour) leaves it open with the message; Cancel and the close box keep the stored value,
// which the dialog shows again, and still choose the generator; OK stores what every field says.
TEST_F(MainWindowTest, SettingsDialogsStoreOnlyAValueAcceptedWithOk) {
    struct Dialog {
        int menu, field, ok, cancel;
        std::string refused, refusal, status;
        std::atomic<std::uint32_t>& stored;
    };
    for (const Dialog& row :
         {Dialog{ids::kMenuPureTone, ids::kToneFrequency, ids::kToneOk, ids::kToneCancel, "0",
                 "Frequency should be larger than zero.", "Pure tone", player.toneFrequency},
          Dialog{ids::kMenuSweep, ids::kSweepSeconds, ids::kSweepOk, ids::kSweepCancel, "-1",
                 sweepTooLongMessage(), "Frequency sweep", player.sweepSeconds}}) {
        const std::uint32_t before = row.stored.load();
        for (const int close : {row.cancel, int{wxID_CLOSE}, row.ok}) {
            withDialog(row.menu, [&](wxDialog& dialog) {
                auto& field = dynamic_cast<wxTextCtrl&>(*dialog.FindWindow(row.field));
                EXPECT_EQ(field.GetValue(), std::to_string(before));
                field.ChangeValue(row.refused);
                click(dialog.FindWindow(row.ok));
                EXPECT_THAT(std::exchange(messages, {}),
                            testing::ElementsAre("Vellumtone: " + row.refusal));
                EXPECT_TRUE(dialog.IsModal());
                for (wxWindow* child : dialog.GetChildren()) {
                    if (auto* edit = dynamic_cast<wxTextCtrl*>(child)) {
                        edit->ChangeValue("7");
                    }
                }
                close == wxID_CLOSE ? (void)dialog.Close() : click(dialog.FindWindow(close));
            });
            EXPECT_EQ(text(ids::kStatusLine), "Using: " + row.status);
        }
        EXPECT_EQ(row.stored.load(), 7U);
    }
    EXPECT_EQ(player.sweepLimit.load(), 7U);
}

}  // namespace

// Each test runs in a process of its own, which ends with it.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    setenv("GDK_GL", "disable", 0);
    wxApp::SetInstance(new wxApp);
    guiReady = wxEntryStart(argc, argv) && wxTheApp->CallOnInit();
    DialogHook hook;
    hook.Register();
    return RUN_ALL_TESTS();
}
