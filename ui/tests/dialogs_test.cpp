#include <wx/dialog.h>

#include "engine/signal_player.h"
#include "resources/resource_ids.h"
#include "ui/main_window.h"
#include "ui/tests/gui_test.h"

namespace {

SignalPlayer& player = SignalPlayer::instance;

// Tab visits the frequency, OK and Cancel and comes back round, never stopping at "Sine";
// Escape leaves the dialog open; Cancel keeps the frequency and still chooses the tone.
TEST_F(MainWindowTest, ToneDialogKeyboardAndCancel) {
    withDialog(ids::kMenuPureTone, [](wxDialog& dialog) {
        EXPECT_EQ(textOf(dialog.FindWindow(ids::kToneFrequency)), "1000");
        // The focus starts in the frequency field; where wx sees it before the first key
        // reaches the dialog depends on the window system, so it is read after each Tab.
        std::vector<int> visited;
        for (int step = 0; step < 4; ++step) {
            pressKey(&dialog, WXK_TAB);
            visited.push_back(wxWindow::FindFocus() != nullptr ? wxWindow::FindFocus()->GetId()
                                                               : 0);
        }
        EXPECT_EQ(visited, (std::vector<int>{ids::kToneOk, ids::kToneCancel, ids::kToneFrequency,
                                             ids::kToneOk}));
        pressKey(&dialog, WXK_ESCAPE);
        EXPECT_TRUE(dialog.IsModal());
        setText(dialog.FindWindow(ids::kToneFrequency), "440");
        click(dialog.FindWindow(ids::kToneCancel));
    });
    EXPECT_EQ(player.toneFrequency.load(), 1000U);
    EXPECT_EQ(player.generator.load(), GeneratorKind::PureTone);
    EXPECT_EQ(text(ids::kStatusLine), "Using: Pure tone");
}

TEST_F(MainWindowTest, ToneDialogRefusesZeroAndStoresANumberBeforeLetters) {
    withDialog(ids::kMenuPureTone, [](wxDialog& dialog) {
        wxWindow* field = dialog.FindWindow(ids::kToneFrequency);
        setText(field, "4294967296");
        wxTEST_DIALOG(click(dialog.FindWindow(ids::kToneOk)),
                      ExpectMessage("Frequency should be larger than zero."));
        EXPECT_TRUE(dialog.IsModal());
        EXPECT_EQ(textOf(field), "4294967296");
        setText(field, "440Hz");
        click(dialog.FindWindow(ids::kToneOk));
        EXPECT_FALSE(dialog.IsModal());
    });
    EXPECT_EQ(player.toneFrequency.load(), 440U);
}

TEST_F(MainWindowTest, SweepDialogStoresBothValuesOrNeither) {
    withDialog(ids::kMenuSweep, [](wxDialog& dialog) {
        EXPECT_EQ(textOf(dialog.FindWindow(ids::kSweepSeconds)), "2");
        EXPECT_EQ(textOf(dialog.FindWindow(ids::kSweepLimit)), "2000");
        setText(dialog.FindWindow(ids::kSweepSeconds), "");
        setText(dialog.FindWindow(ids::kSweepLimit), "5000");
        wxTEST_DIALOG(click(dialog.FindWindow(ids::kSweepOk)),
                      ExpectMessage("Frequency limit and speed should be larger than zero."));
        EXPECT_EQ(player.sweepLimit.load(), 2000U);
        setText(dialog.FindWindow(ids::kSweepSeconds), "7");
        click(dialog.FindWindow(ids::kSweepOk));
    });
    EXPECT_EQ(player.sweepSeconds.load(), 7U);
    EXPECT_EQ(player.sweepLimit.load(), 5000U);
    EXPECT_EQ(text(ids::kStatusLine), "Using: Frequency sweep");

    // The close box keeps the values and still chooses the sweep.
    player.chooseGenerator(GeneratorKind::WhiteNoise);
    withDialog(ids::kMenuSweep, [](wxDialog& dialog) {
        setText(dialog.FindWindow(ids::kSweepSeconds), "5");
        dialog.Close();
    });
    EXPECT_EQ(player.sweepSeconds.load(), 7U);
    EXPECT_EQ(player.generator.load(), GeneratorKind::FrequencySweep);
}

TEST_F(MainWindowTest, AboutBoxClosesWithEnterButNotEscape) {
    withDialog(ids::kMenuAbout, [](wxDialog& dialog) {
        EXPECT_FALSE(dialog.HasFlag(wxCLOSE_BOX));
        pressKey(&dialog, WXK_ESCAPE);
        EXPECT_TRUE(dialog.IsModal());
        pressKey(&dialog, WXK_RETURN);
        EXPECT_FALSE(dialog.IsModal());
    });
    EXPECT_EQ(text(ids::kStatusLine), "Please select the generator from menu");
}

}  // namespace
