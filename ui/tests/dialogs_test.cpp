#include <gmock/gmock.h>
#include <wx/dialog.h>

#include "engine/signal_player.h"
#include "resources/resource_ids.h"
#include "ui/main_window.h"
#include "ui/tests/gui_test.h"

namespace {

using testing::ElementsAre;

SignalPlayer& player = SignalPlayer::instance;

// The controls the focus visits on four presses of Tab. Where wx sees the focus before the
// first key reaches the dialog depends on the window system, so it is read after each one.
std::vector<int> tabOrder(wxDialog& dialog) {
    std::vector<int> visited;
    for (int step = 0; step < 4; ++step) {
        pressKey(&dialog, WXK_TAB);
        visited.push_back(wxWindow::FindFocus() != nullptr ? wxWindow::FindFocus()->GetId() : 0);
    }
    return visited;
}

// Tab never stops at "Sine"; Escape leaves the dialog open, and so does a refused frequency;
// Cancel keeps the frequency and still chooses the tone.
TEST_F(MainWindowTest, ToneDialogStoresOnlyAFrequencyAcceptedWithOk) {
    withDialog(ids::kMenuPureTone, [](wxDialog& dialog) {
        EXPECT_THAT(tabOrder(dialog),
                    ElementsAre(ids::kToneOk, ids::kToneCancel, ids::kToneFrequency, ids::kToneOk));
        pressKey(&dialog, WXK_ESCAPE);
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

// The period's field comes first for Tab, though the limit's stands above it. OK stores both
// values or, refusing them, neither; Cancel and the close box keep them and show them again.
TEST_F(MainWindowTest, SweepDialogStoresBothValuesOrNeither) {
    withDialog(ids::kMenuSweep, [](wxDialog& dialog) {
        EXPECT_THAT(tabOrder(dialog), ElementsAre(ids::kSweepLimit, ids::kSweepOk,
                                                  ids::kSweepCancel, ids::kSweepSeconds));
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

TEST_F(MainWindowTest, AboutBoxClosesWithEnterButNotEscape) {
    withDialog(ids::kMenuAbout, [](wxDialog& dialog) {
        EXPECT_FALSE(dialog.HasFlag(wxCLOSE_BOX));
        pressKey(&dialog, WXK_ESCAPE);
        EXPECT_TRUE(dialog.IsModal());
        pressKey(&dialog, WXK_RETURN);
        EXPECT_FALSE(dialog.IsModal());
    });
}

}  // namespace
