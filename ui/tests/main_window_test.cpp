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
    ASSERT_TRUE(waitUntil([this] { return device.inner.played().size() == 2; }));
    EXPECT_FALSE(control(ids::kPlay)->IsEnabled());
    EXPECT_EQ(wxWindow::FindFocus(), control(ids::kStop));
    EXPECT_EQ(text(ids::kBurnInStatus), "Playing 0:00:00");

    // The slider starts at half the amplitude, 20000, and a page is 3000.
    control(ids::kVolumeSlider)->SetFocus();
    pressKey(window, WXK_PAGEUP);
    EXPECT_EQ(player.amplitude.load(), 2 * 17000);
    EXPECT_EQ(device.inner.flushes(), 1U);
    ASSERT_TRUE(waitUntil([this] { return device.inner.played().size() == 4; }));
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
    auto* handed = new TestOutputDevice;
    window->useOutputDevice({std::unique_ptr<OutputDevice>(handed), "Error: no sound server"});
    EXPECT_THAT(takeMessages(), ElementsAre("Vellumtone: Error: no sound server"));
    EXPECT_EQ(player.device.load(), handed);
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

// Each settings dialog: a refused value leaves it open with the message; Cancel and the close
// box keep the stored value, which the dialog shows again, and still choose the generator; OK
// stores what every field says.
TEST_F(MainWindowTest, SettingsDialogsStoreOnlyAValueAcceptedWithOk) {
    struct Dialog {
        int menu, field, ok, cancel;
        std::string refusal, status;
        std::atomic<std::uint32_t>& stored;
    };
    for (const Dialog& row :
         {Dialog{ids::kMenuPureTone, ids::kToneFrequency, ids::kToneOk, ids::kToneCancel,
                 "Frequency should be larger than zero.", "Pure tone", player.toneFrequency},
          Dialog{ids::kMenuSweep, ids::kSweepSeconds, ids::kSweepOk, ids::kSweepCancel,
                 "Frequency limit and speed should be larger than zero.", "Frequency sweep",
                 player.sweepSeconds}}) {
        const std::uint32_t before = row.stored.load();
        for (const bool closeBox : {false, true}) {
            withDialog(row.menu, [&](wxDialog& dialog) {
                EXPECT_EQ(textOf(dialog.FindWindow(row.field)), std::to_string(before));
                setText(dialog.FindWindow(row.field), "0");
                click(dialog.FindWindow(row.ok));
                EXPECT_THAT(takeMessages(), ElementsAre("Vellumtone: " + row.refusal));
                EXPECT_TRUE(dialog.IsModal());
                setText(dialog.FindWindow(row.field), "7");
                closeBox ? (void)dialog.Close() : click(dialog.FindWindow(row.cancel));
            });
        }
        EXPECT_EQ(row.stored.load(), before);
        EXPECT_EQ(text(ids::kStatusLine), "Using: " + row.status);
        withDialog(row.menu, [&](wxDialog& dialog) {
            for (wxWindow* field : dialog.GetChildren()) {
                if (dynamic_cast<wxTextCtrl*>(field) != nullptr) {
                    setText(field, "7");
                }
            }
            click(dialog.FindWindow(row.ok));
        });
        EXPECT_EQ(row.stored.load(), 7U);
    }
    EXPECT_EQ(player.sweepLimit.load(), 7U);
}

}  // namespace
