#include <gmock/gmock.h>
#include <wx/checkbox.h>
#include <wx/slider.h>
#include <atomic>
#include <thread>

#include "engine/signal_format.h"
#include "engine/signal_player.h"
#include "resources/resource_ids.h"
#include "ui/main_window.h"
#include "ui/tests/gui_test.h"

namespace {

using testing::StartsWith;

SignalPlayer& player = SignalPlayer::instance;

class PanelTest : public MainWindowTest {
  protected:
    // Moves the slider and sends the notification a move sends.
    void moveSlider(int position) {
        auto* slider = dynamic_cast<wxSlider*>(control(ids::kVolumeSlider));
        slider->SetValue(position);
        wxCommandEvent event(wxEVT_SLIDER, ids::kVolumeSlider);
        event.SetInt(position);
        slider->GetEventHandler()->ProcessEvent(event);
    }
    void checkRests(bool checked) {
        auto* box = dynamic_cast<wxCheckBox*>(control(ids::kRestCheck));
        box->SetValue(checked);
        wxCommandEvent event(wxEVT_CHECKBOX, ids::kRestCheck);
        event.SetInt(checked ? 1 : 0);
        box->GetEventHandler()->ProcessEvent(event);
    }
};

// The whole way from the keyboard to the sound device and back: Play pressed with the space
// bar queues the first two blocks and hands the keyboard to Stop, so that the same key stops
// it again; then Play has the keyboard, and the status says how long it played.
TEST_F(PanelTest, KeyboardPlaysAndStopsWithoutLosingTheFocus) {
    EXPECT_EQ(text(ids::kBurnInStatus), "") << "nothing to tell before the first playback";
    chooseMenu(ids::kMenuWhiteNoise);
    control(ids::kPlay)->SetFocus();
    pressKey(window, WXK_SPACE);
    ASSERT_TRUE(waitUntil([this] { return device.played().size() == 2; }));
    EXPECT_FALSE(control(ids::kPlay)->IsEnabled());
    EXPECT_EQ(wxWindow::FindFocus(), control(ids::kStop));
    EXPECT_EQ(text(ids::kBurnInStatus), "Playing 0:00:00");

    pressKey(window, WXK_SPACE);
    ASSERT_TRUE(waitUntil([this] { return control(ids::kPlay)->IsEnabled(); }));
    EXPECT_EQ(player.playing.load(), 0);
    EXPECT_EQ(device.held(), 0U);
    EXPECT_EQ(wxWindow::FindFocus(), control(ids::kPlay));
    EXPECT_EQ(text(ids::kBurnInStatus), "Stopped after 0:00:00");
}

TEST_F(PanelTest, PlayWithoutGeneratorAsksForOne) {
    wxTEST_DIALOG(click(control(ids::kPlay)), ExpectMessage("Please select the generator."));
    EXPECT_TRUE(control(ids::kPlay)->IsEnabled());
    EXPECT_EQ(text(ids::kBurnInStatus), "");
    EXPECT_TRUE(device.played().empty());
}

TEST_F(PanelTest, RestBoxTakesTheFirstNineCharactersAndLocksTheFields) {
    setText(control(ids::kRestEvery), "123456789012");
    setText(control(ids::kRestLength), "abc");
    checkRests(true);
    EXPECT_EQ(player.restEveryMinutes.load(), 123456789U);
    EXPECT_EQ(player.restLengthMinutes.load(), 30U) << "no number keeps the old value";
    EXPECT_EQ(player.restReference.load(), kStartSeconds);
    EXPECT_EQ(player.restEnabled.load(), 1);
    EXPECT_FALSE(control(ids::kRestEvery)->IsEnabled());

    checkRests(false);
    EXPECT_EQ(player.restEnabled.load(), 0);
    EXPECT_TRUE(control(ids::kRestLength)->IsEnabled());
}

TEST_F(PanelTest, SliderFlushesOnlyWhilePlayingAndNotResting) {
    moveSlider(1234);
    EXPECT_EQ(player.amplitude.load(), 2468);
    EXPECT_EQ(device.flushes(), 0U);
    chooseMenu(ids::kMenuWhiteNoise);
    click(control(ids::kPlay));
    ASSERT_TRUE(waitUntil([this] { return device.played().size() == 2; }));
    moveSlider(32767);
    EXPECT_EQ(player.amplitude.load(), 65534);
    EXPECT_EQ(device.flushes(), 1U);
}

// A rest begins as soon as a later second is read and lasts a minute; the clock holds the
// playback inside it until the test lets it go.
TEST_F(PanelTest, DuringARestTheSliderOnlySetsTheAmplitudeAndTheStatusSaysWhenItEnds) {
    TestOutputDevice timedDevice(&clock);
    player.setDevice(&timedDevice);
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
    clock.at(kStartSeconds * 1000 + 1500, [&] {
        held = true;
        while (!release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    setText(control(ids::kRestEvery), "0");
    setText(control(ids::kRestLength), "1");
    checkRests(true);
    chooseMenu(ids::kMenuWhiteNoise);
    click(control(ids::kPlay));
    ASSERT_TRUE(waitUntil([&] { return held.load(); }));
    moveSlider(100);
    EXPECT_EQ(player.amplitude.load(), 200);
    EXPECT_EQ(timedDevice.flushes(), 0U);
    // Told at the next tick of the status, within a second.
    EXPECT_TRUE(waitUntil([this] { return text(ids::kBurnInStatus).starts_with("Resting until"); }))
        << text(ids::kBurnInStatus);

    click(control(ids::kStop));
    release = true;
    ASSERT_TRUE(waitUntil([this] { return control(ids::kPlay)->IsEnabled(); }));
    player.setDevice(&device);
}

TEST_F(PanelTest, APlaybackWithoutMemoryIsToldAndFreesTheButtons) {
    player.sweepSeconds = kMaxSweepSeconds + 1;  // behind the dialog's back
    chooseMenu(ids::kMenuWhiteNoise);
    player.chooseGenerator(GeneratorKind::FrequencySweep);
    wxTEST_DIALOG(
        {
            click(control(ids::kPlay));
            EXPECT_TRUE(waitUntil([this] { return control(ids::kPlay)->IsEnabled(); }));
        },
        ExpectMessage("Error: Unable to allocate or lock memory."));
    EXPECT_TRUE(control(ids::kStop)->IsEnabled());
}

TEST_F(PanelTest, AFailedDeviceIsToldAndTheCloseBoxEndsTheProcessEvenWhilePlaying) {
    player.setDevice(nullptr);
    wxTEST_DIALOG(
        window->useOutputDevice(TestOutputDevice::failedOpen(DeviceError::BadFormat)),
        ExpectMessage("Error: Attempted to open with an unsupported waveform-audio format."));
    EXPECT_EQ(player.device.load(), nullptr);
    player.setDevice(&device);

    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(chooseMenu(ids::kMenuExit), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            chooseMenu(ids::kMenuWhiteNoise);
            click(control(ids::kPlay));
            waitUntil([] { return player.playing.load() != 0; });
            window->Close();
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
