#include <gmock/gmock.h>

#include "engine/signal_player.h"
#include "resources/resource_ids.h"
#include "ui/main_window.h"
#include "ui/tests/gui_test.h"

namespace {

using testing::ElementsAre;

SignalPlayer& player = SignalPlayer::instance;

// A refused frequency leaves the dialog open; Cancel keeps the frequency and still chooses
// the tone.
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
        EXPECT_EQ(player.sweepLimit.load(), SignalPlayer::kDefaultSweepLimit);
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
