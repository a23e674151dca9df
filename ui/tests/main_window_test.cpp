// The main window as the user drives it: the panel, the playback it starts on the engine,
// its messages, and the settings dialogs.

#include <gmock/gmock.h>
#include <semaphore>

#include "engine/signal_format.h"
#include "ui/tests/gui_test.h"

namespace {

using testing::ElementsAre;

using PanelTest = MainWindowTest;

// The whole way from the keyboard to the sound device and back. Play asks for a generator
// first, and tells of a playback that found no memory for its blocks. Once there is one, Play
// pressed with the space bar queues the first two blocks and hands the keyboard to Stop. A
// page up on the slider lowers the amplitude, flushing what was queued; two new blocks follow
// a pause of two seconds. Clicks on the track step it like the keys. Stop is usable once, and
// both buttons again when the playback has ended.
TEST_F(PanelTest, KeyboardPlaysChangesTheVolumeAndStops) {
    click(control(ids::kPlay));
    EXPECT_THAT(takeMessages(), ElementsAre("Vellumtone: Please select the generator."));
    player.sweepSeconds = kMaxSweepSeconds + 1;  // behind the dialog's back
    player.chooseGenerator(GeneratorKind::FrequencySweep);
    click(control(ids::kPlay));
    EXPECT_TRUE(waitUntil([this] { return control(ids::kPlay)->IsEnabled(); }));
    EXPECT_THAT(takeMessages(),
                ElementsAre("Vellumtone: Error: Unable to allocate or lock memory."));

    chooseMenu(ids::kMenuWhiteNoise);
    control(ids::kPlay)->SetFocus();
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
    for (const auto& [x, position] :
         {std::pair{8, 14000}, std::pair{slider->GetSize().x - 9, 17000}}) {
        clickAt(slider, {x, slider->GetSize().y / 2});
        const int want = 2 * position;
        EXPECT_TRUE(waitUntil([want] { return player.amplitude.load() == want; }))
            << "slider at " << player.amplitude.load() / 2 << ", not " << position;
    }

    // The status tells the time the device played to the speakers (a second and a half),
    // not the time that passed (two seconds of pauses after the volume changes, and more).
    heardDevice.heard = kSampleRate * 3 / 2;
    EXPECT_TRUE(waitUntil([this] { return text(ids::kBurnInStatus) == "Playing 0:00:01"; }))
        << text(ids::kBurnInStatus);

    control(ids::kStop)->SetFocus();
    click(control(ids::kStop));
    EXPECT_FALSE(control(ids::kStop)->IsEnabled()) << "a second Stop has nothing to stop";
    ASSERT_TRUE(waitUntil([this] { return control(ids::kPlay)->IsEnabled(); }));
    EXPECT_TRUE(control(ids::kStop)->IsEnabled());
    EXPECT_EQ(wxWindow::FindFocus(), control(ids::kPlay));
    EXPECT_EQ(text(ids::kBurnInStatus), "Stopped after 0:00:01");
}

// Rests every minute for two: the clock holds the playback inside the first rest, which
// began after 61 s and ends three minutes after the start, until the test lets it go.
TEST_F(PanelTest, RestBoxLocksItsFieldsAndTheStatusTellsWhenTheRestEnds) {
    TestOutputDevice timedDevice(&clock);
    player.setDevice(&timedDevice);
    std::binary_semaphore release{0};
    clock.schedule(90'000, [&] { release.acquire(); });
    setText(control(ids::kRestEvery), "1");
    setText(control(ids::kRestLength), "2");
    control(ids::kRestCheck)->SetFocus();
    pressKey(window, WXK_SPACE);
    EXPECT_FALSE(control(ids::kRestEvery)->IsEnabled() || control(ids::kRestLength)->IsEnabled());
    chooseMenu(ids::kMenuWhiteNoise);
    click(control(ids::kPlay));
    // Told at the next tick of the status, within a second.
    EXPECT_TRUE(waitUntil([this] {
        return text(ids::kBurnInStatus).starts_with("Resting until 22:16 (");
    })) << text(ids::kBurnInStatus);

    click(control(ids::kStop));
    release.release();
    ASSERT_TRUE(waitUntil([this] { return control(ids::kPlay)->IsEnabled(); }));
    control(ids::kRestCheck)->SetFocus();
    pressKey(window, WXK_SPACE);
    EXPECT_EQ(player.restEnabled.load(), 0);
    EXPECT_TRUE(control(ids::kRestEvery)->IsEnabled() && control(ids::kRestLength)->IsEnabled());
}

// A device that found no sound server yet comes with its error: the error is told and the
// device still used, for it keeps looking. The close box ends the process even while playing.
TEST_F(PanelTest, ADeviceErrorIsToldAndTheCloseBoxEndsTheProcessEvenWhilePlaying) {
    auto waiting = std::make_unique<TestOutputDevice>();
    OutputDevice* handed = waiting.get();
    window->useOutputDevice({std::move(waiting), "Error: no sound server"});
    EXPECT_THAT(takeMessages(), ElementsAre("Vellumtone: Error: no sound server"));
    EXPECT_EQ(player.device.load(), handed);
    player.setDevice(&heardDevice);

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

// A refused frequency leaves the dialog open; Cancel keeps the frequency and still chooses
// the tone; OK stores it.
TEST_F(MainWindowTest, ToneDialogStoresOnlyAFrequencyAcceptedWithOk) {
    withDialog(ids::kMenuPureTone, [](wxDialog& dialog) {
        setText(dialog.FindWindow(ids::kToneFrequency), "0");
        click(dialog.FindWindow(ids::kToneOk));
        EXPECT_THAT(takeMessages(),
                    ElementsAre("Vellumtone: Frequency should be larger than zero."));
        EXPECT_TRUE(dialog.IsModal());
        setText(dialog.FindWindow(ids::kToneFrequency), "440");
        click(dialog.FindWindow(ids::kToneCancel));
    });
    EXPECT_EQ(player.toneFrequency.load(), SignalPlayer::kDefaultToneFrequency);
    EXPECT_EQ(text(ids::kStatusLine), "Using: Pure tone");
    withDialog(ids::kMenuPureTone, [](wxDialog& dialog) {
        setText(dialog.FindWindow(ids::kToneFrequency), "440");
        click(dialog.FindWindow(ids::kToneOk));
    });
    EXPECT_EQ(player.toneFrequency.load(), 440U);
}

// OK stores both values or, refusing them, neither and leaves the dialog open; Cancel and the
// close box keep them, and the dialog shows them again.
TEST_F(MainWindowTest, SweepDialogStoresBothValuesOrNeither) {
    withDialog(ids::kMenuSweep, [](wxDialog& dialog) {
        setText(dialog.FindWindow(ids::kSweepSeconds), "");
        setText(dialog.FindWindow(ids::kSweepLimit), "5000");
        click(dialog.FindWindow(ids::kSweepOk));
        EXPECT_THAT(
            takeMessages(),
            ElementsAre("Vellumtone: Frequency limit and speed should be larger than zero."));
        EXPECT_TRUE(dialog.IsModal());
        setText(dialog.FindWindow(ids::kSweepSeconds), "7");
        click(dialog.FindWindow(ids::kSweepOk));
    });
    EXPECT_EQ(text(ids::kStatusLine), "Using: Frequency sweep");
    for (const bool closeBox : {false, true}) {
        withDialog(ids::kMenuSweep, [closeBox](wxDialog& dialog) {
            EXPECT_EQ(textOf(dialog.FindWindow(ids::kSweepSeconds)), "7");
            EXPECT_EQ(textOf(dialog.FindWindow(ids::kSweepLimit)), "5000");
            setText(dialog.FindWindow(ids::kSweepSeconds), "5");
            closeBox ? (void)dialog.Close() : click(dialog.FindWindow(ids::kSweepCancel));
        });
    }
    EXPECT_EQ(player.sweepSeconds.load(), 7U);
}

}  // namespace
