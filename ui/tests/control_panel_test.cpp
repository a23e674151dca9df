#include <wx/checkbox.h>
#include <wx/slider.h>
#include <wx/uiaction.h>
#include <atomic>
#include <ctime>
#include <thread>

#include "engine/random_source.h"
#include "engine/signal_format.h"
#include "engine/signal_player.h"
#include "engine/testing/test_output_device.h"
#include "engine/testing/virtual_clock.h"
#include "resources/resource_ids.h"
#include "ui/main_window.h"
#include "ui/startup.h"
#include "ui/tests/gui_test.h"

namespace {

SignalPlayer& player = SignalPlayer::instance;

constexpr std::uint64_t kStartSeconds = 1'700'000'000;
constexpr std::uint64_t kStartMs = kStartSeconds * 1000;

// The panel on the real main window, with playbacks going to an in-memory device on a
// virtual clock: time passes only when the playback sleeps or the clock runs what is
// scheduled on it, so nothing here waits for real seconds.
class ControlPanelTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        player.setClock(&clock);
        player.setDevice(&device);
        MainWindowFixture::SetUp();
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
        MainWindowFixture::TearDown();
        pumpEvents();
        player.setDevice(nullptr);
        player.setClock(nullptr);
    }

    wxSlider* slider() const { return dynamic_cast<wxSlider*>(control(ids::kVolumeSlider)); }

    // Moves the slider and sends the notification a move sends.
    void moveSlider(int position) {
        slider()->SetValue(position);
        wxCommandEvent event(wxEVT_SLIDER, ids::kVolumeSlider);
        event.SetEventObject(slider());
        event.SetInt(position);
        slider()->GetEventHandler()->ProcessEvent(event);
    }

    void startWhiteNoise() {
        chooseMenu(window, ids::kMenuWhiteNoise);
        click(control(ids::kPlay));
        // The playback's first two blocks are queued at once, then it waits.
        ASSERT_TRUE(waitUntil([this] { return device.played().size() == 2; }));
    }

    VirtualClock clock{kStartSeconds};
    TestOutputDevice device;  // blocks finish only when a test says so
};

TEST_F(ControlPanelTest, PlayWithoutGeneratorAsksForOneAndStartsNothing) {
    wxTEST_DIALOG(click(control(ids::kPlay)), ExpectMessage("Please select the generator."));
    EXPECT_TRUE(control(ids::kPlay)->IsEnabled());
    pumpEvents();
    EXPECT_EQ(player.playing.load(), 0);
    EXPECT_TRUE(device.played().empty());
}

TEST_F(ControlPanelTest, PlayAndStopAreEnabledAsAPlaybackRunsAndEnds) {
    wxWindow* play = control(ids::kPlay);
    wxWindow* stop = control(ids::kStop);
    EXPECT_TRUE(play->IsEnabled());
    EXPECT_TRUE(stop->IsEnabled());

    // Stop with nothing playing is ignored.
    click(stop);
    EXPECT_TRUE(stop->IsEnabled());
    EXPECT_EQ(player.stopRequested.load(), 0);

    startWhiteNoise();
    EXPECT_FALSE(play->IsEnabled());
    EXPECT_TRUE(stop->IsEnabled());
    EXPECT_EQ(player.playing.load(), 1);
    // Play while playing is refused even if its event arrives.
    click(play);
    pumpEvents();
    EXPECT_EQ(device.played().size(), 2U);

    click(stop);
    EXPECT_FALSE(play->IsEnabled());
    EXPECT_FALSE(stop->IsEnabled());
    EXPECT_EQ(player.stopRequested.load(), 1);

    ASSERT_TRUE(waitUntil([&] { return play->IsEnabled(); }));
    EXPECT_TRUE(stop->IsEnabled());
    EXPECT_EQ(player.playing.load(), 0);
    EXPECT_EQ(device.held(), 0U);
}

TEST_F(ControlPanelTest, TwoQuickClicksOnPlayStartOnePlayback) {
    chooseMenu(window, ids::kMenuPinkNoise);
    wxWindow* play = control(ids::kPlay);
    wxUIActionSimulator mouse;
    mouse.MouseMove(play->GetScreenRect().GetPosition() + wxPoint(10, 5));
    mouse.MouseClick();
    mouse.MouseClick();
    ASSERT_TRUE(waitUntil([&] { return !play->IsEnabled(); }));
    ASSERT_TRUE(waitUntil([this] { return device.played().size() >= 2; }));
    pumpEvents(std::chrono::milliseconds(200));
    EXPECT_EQ(device.played().size(), 2U);
}

TEST_F(ControlPanelTest, RestBoxTakesTheFirstNineCharactersAndLocksTheFields) {
    wxWindow* every = control(ids::kRestEvery);
    wxWindow* length = control(ids::kRestLength);
    setText(every, "123456789012");
    setText(length, "-1");
    setChecked(control(ids::kRestCheck), true);
    EXPECT_EQ(player.restEveryMinutes.load(), 123456789U);
    EXPECT_EQ(player.restLengthMinutes.load(), 4294967295U);
    EXPECT_EQ(player.restReference.load(), kStartSeconds);  // the playbacks' clock, at rest
    EXPECT_EQ(player.restEnabled.load(), 1);
    EXPECT_FALSE(every->IsEnabled());
    EXPECT_FALSE(length->IsEnabled());

    setChecked(control(ids::kRestCheck), false);
    EXPECT_EQ(player.restEnabled.load(), 0);
    EXPECT_TRUE(every->IsEnabled());
    EXPECT_TRUE(length->IsEnabled());
    // The durations stay as they were taken.
    EXPECT_EQ(player.restEveryMinutes.load(), 123456789U);
}

TEST_F(ControlPanelTest, RestFieldWithoutANumberKeepsTheOldValue) {
    setText(control(ids::kRestEvery), "abc");
    setText(control(ids::kRestLength), "  15 minutes");
    setChecked(control(ids::kRestCheck), true);
    EXPECT_EQ(player.restEveryMinutes.load(), 120U);
    EXPECT_EQ(player.restLengthMinutes.load(), 15U);
    EXPECT_EQ(player.restEnabled.load(), 1);
}

TEST_F(ControlPanelTest, SliderSetsTheAmplitudeAndFlushesOnlyWhilePlaying) {
    moveSlider(1234);
    EXPECT_EQ(player.amplitude.load(), 2468);
    EXPECT_EQ(player.volumeChanged.load(), 0);
    EXPECT_EQ(device.flushes(), 0U);

    startWhiteNoise();
    moveSlider(32767);
    EXPECT_EQ(player.amplitude.load(), 65534);
    EXPECT_EQ(device.flushes(), 1U);
    // The flush handed both blocks back; the playback queues one block at the new amplitude,
    // keeps the pause it owes for the volume change, then queues the other.
    ASSERT_TRUE(waitUntil([this] { return device.played().size() == 4; }));
    EXPECT_EQ(clock.nowMs(), kStartMs + 2000);
    EXPECT_EQ(player.volumeChanged.load(), 0);
    const auto played = device.played();
    EXPECT_TRUE(played[0].flushed);
    EXPECT_TRUE(played[1].flushed);
    std::int16_t peak = 0;
    for (std::int16_t sample : played[2].samples) {
        peak = std::max<std::int16_t>(peak, static_cast<std::int16_t>(std::abs(sample)));
    }
    EXPECT_GT(peak, 20000) << "the block after the flush plays at the new amplitude";
}

TEST_F(ControlPanelTest, SliderDuringARestChangesOnlyTheAmplitude) {
    // Blocks play in virtual time; a rest starts as soon as a later second is read and lasts a
    // minute. The clock holds the playback inside the rest until the test lets it go.
    TestOutputDevice timedDevice(&clock);
    player.setDevice(&timedDevice);
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
    clock.at(kStartMs + 1500, [&] {
        held = true;
        while (!release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    setText(control(ids::kRestEvery), "0");
    setText(control(ids::kRestLength), "1");
    setChecked(control(ids::kRestCheck), true);
    chooseMenu(window, ids::kMenuWhiteNoise);
    click(control(ids::kPlay));
    ASSERT_TRUE(waitUntil([&] { return held.load(); }));
    ASSERT_EQ(player.resting.load(), 1);

    moveSlider(100);
    EXPECT_EQ(player.amplitude.load(), 200);
    EXPECT_EQ(player.volumeChanged.load(), 0);
    EXPECT_EQ(timedDevice.flushes(), 0U);

    click(control(ids::kStop));
    release = true;
    ASSERT_TRUE(waitUntil([this] { return control(ids::kPlay)->IsEnabled(); }));
    player.setDevice(&device);
}

TEST_F(ControlPanelTest, EveryStepOfADragFlushesWhilePlaying) {
    startWhiteNoise();
    wxSlider* volume = slider();
    const wxRect track = volume->GetScreenRect();
    const int start = volume->GetValue();
    wxUIActionSimulator mouse;
    // The thumb sits at 20000 of 32767 along the track, less GTK's padding at each end.
    const int thumbX = track.x + 6 + (track.width - 12) * start / 32767;
    mouse.MouseMove(thumbX, track.y + track.height / 2);
    mouse.MouseDown();
    for (int step = 1; step <= 4; ++step) {
        mouse.MouseMove(thumbX - step * 8, track.y + track.height / 2);
        // Each move reaches the slider before the next.
        ASSERT_TRUE(waitUntil([&] { return device.flushes() >= static_cast<std::size_t>(step); }))
            << "step " << step;
    }
    mouse.MouseUp();
    pumpEvents();
    EXPECT_LT(volume->GetValue(), start);
    EXPECT_EQ(player.amplitude.load(), volume->GetValue() * 2);
    EXPECT_GE(device.flushes(), 4U);
}

TEST_F(ControlPanelTest, APlaybackWithoutMemoryIsToldAndFreesTheButtons) {
    // Set behind the sweep dialog's back: the playback refuses blocks this long.
    player.sweepSeconds = kMaxSweepSeconds + 1;
    chooseMenu(window, ids::kMenuWhiteNoise);
    player.chooseGenerator(GeneratorKind::FrequencySweep);
    wxTEST_DIALOG(
        {
            click(control(ids::kPlay));
            EXPECT_TRUE(waitUntil([this] { return control(ids::kPlay)->IsEnabled(); }));
        },
        ExpectMessage("Error: Unable to allocate or lock memory."));
    EXPECT_TRUE(control(ids::kStop)->IsEnabled());
    EXPECT_TRUE(device.played().empty());
}

}  // namespace
