#include <wx/button.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include "engine/signal_player.h"
#include "resources/resource_ids.h"
#include "ui/about_dialog.h"
#include "ui/common/messages.h"
#include "ui/main_window.h"
#include "ui/startup.h"
#include "ui/sweep_dialog.h"
#include "ui/tests/gui_test.h"
#include "ui/tone_dialog.h"

namespace {

SignalPlayer& player = SignalPlayer::instance;

// The dialogs as the main window's menu opens them.
class DialogsTest : public MainWindowFixture {
  protected:
    std::string status() const { return textOf(window->FindWindow(ids::kStatusLine)); }

    // Opens a dialog from the menu and runs the script while it is up.
    template <class D>
    void fromMenu(int command, const std::function<void(D&)>& script) {
        withModalDialog<D>([&] { chooseMenu(window, command); }, script);
    }
};

// Presses a key the way the user does, once the dialog has the keyboard, and lets it arrive.
// Keys reach the dialog through its char hook, which records that they came.
void pressKey(wxDialog& dialog, int key) {
    ASSERT_TRUE(waitUntil([&] { return dialog.IsShownOnScreen(); }));
    bool arrived = false;
    auto record = [&](wxKeyEvent& event) {
        if (event.GetKeyCode() == key) {
            arrived = true;
        }
        event.Skip();
    };
    dialog.Bind(wxEVT_CHAR_HOOK, record);
    wxUIActionSimulator keyboard;
    // Without a window manager the keyboard follows the pointer.
    keyboard.MouseMove(dialog.GetScreenRect().GetPosition() + wxPoint(4, 4));
    wxWindow* focus = wxWindow::FindFocus();
    const wxWindow* focusTop = focus != nullptr ? wxGetTopLevelParent(focus) : nullptr;
    EXPECT_EQ(focusTop, &dialog) << "the dialog does not have the keyboard focus";
    keyboard.Char(key);
    EXPECT_TRUE(waitUntil([&] { return arrived || !dialog.IsModal(); }, std::chrono::seconds(5)))
        << "the key never reached the dialog";
    pumpEvents();
    if (dialog.IsModal()) {
        dialog.Unbind(wxEVT_CHAR_HOOK, record);
    }
}

// Every settings dialog: captions, the template's controls in tab order, no default button,
// no control hiding or cutting another.
void expectLayout(wxDialog& dialog, const std::vector<int>& tabOrder) {
    std::vector<int> order;
    for (wxWindow* child : dialog.GetChildren()) {
        if (child->GetId() >= 0) {  // wx numbers the static texts below zero
            order.push_back(child->GetId());
        }
    }
    EXPECT_EQ(order, tabOrder);
    expectClearLayout(&dialog);
}

TEST_F(DialogsTest, ToneDialogShowsTheFrequencyAndSineAndCancelStillChoosesTheTone) {
    player.setToneFrequency(1000);
    fromMenu<ToneDialog>(ids::kMenuPureTone, [](ToneDialog& dialog) {
        EXPECT_EQ(dialog.GetTitle(), "Pure test tone setting");
        EXPECT_EQ(dialog.GetClientSize(), dialog.ConvertDialogToPixels(wxSize(168, 106)));
        EXPECT_TRUE(dialog.HasFlag(wxCLOSE_BOX));
        EXPECT_EQ(dialog.GetDefaultItem(), nullptr);
        expectLayout(dialog, {ids::kToneFrequency, ids::kToneOk, ids::kToneCancel, ids::kToneSine});
        EXPECT_EQ(textOf(dialog.FindWindow(ids::kToneFrequency)), "1000");
        auto* sine = dynamic_cast<wxRadioButton*>(dialog.FindWindow(ids::kToneSine));
        ASSERT_NE(sine, nullptr);
        EXPECT_EQ(sine->GetLabel(), "Sine");
        EXPECT_TRUE(sine->GetValue());
        EXPECT_EQ(textOf(dialog.FindWindow(ids::kToneOk)), "&OK");
        EXPECT_EQ(textOf(dialog.FindWindow(ids::kToneCancel)), "&Cancel");

        setText(dialog.FindWindow(ids::kToneFrequency), "440");
        click(dialog.FindWindow(ids::kToneCancel));
    });
    EXPECT_EQ(player.toneFrequency.load(), 1000U);
    EXPECT_EQ(player.generator.load(), GeneratorKind::PureTone);
    EXPECT_EQ(status(), "Using: Pure tone");
}

TEST_F(DialogsTest, ToneDialogStoresTheNumberBeforeTheLetters) {
    fromMenu<ToneDialog>(ids::kMenuPureTone, [](ToneDialog& dialog) {
        setText(dialog.FindWindow(ids::kToneFrequency), "440Hz");
        click(dialog.FindWindow(ids::kToneOk));
        EXPECT_FALSE(dialog.IsModal());
    });
    EXPECT_EQ(player.toneFrequency.load(), 440U);
    EXPECT_EQ(player.generator.load(), GeneratorKind::PureTone);
}

TEST_F(DialogsTest, ToneDialogRefusesZeroAfterWrapAroundAndStaysOpen) {
    fromMenu<ToneDialog>(ids::kMenuPureTone, [](ToneDialog& dialog) {
        wxWindow* field = dialog.FindWindow(ids::kToneFrequency);
        setText(field, "4294967296");
        wxTEST_DIALOG(click(dialog.FindWindow(ids::kToneOk)),
                      ExpectMessage("Frequency should be larger than zero."));
        EXPECT_TRUE(dialog.IsModal());
        EXPECT_EQ(textOf(field), "4294967296");
        EXPECT_EQ(player.toneFrequency.load(), 1000U);

        setText(field, "4294967297");
        click(dialog.FindWindow(ids::kToneOk));
    });
    EXPECT_EQ(player.toneFrequency.load(), 1U);
}

TEST_F(DialogsTest, EscapeLeavesTheToneDialogOpen) {
    fromMenu<ToneDialog>(ids::kMenuPureTone, [](ToneDialog& dialog) {
        pressKey(dialog, WXK_ESCAPE);
        EXPECT_TRUE(dialog.IsModal());
        click(dialog.FindWindow(ids::kToneCancel));
    });
}

TEST_F(DialogsTest, SweepDialogShowsPeriodAndLimitWithThePeriodFirst) {
    fromMenu<SweepDialog>(ids::kMenuSweep, [](SweepDialog& dialog) {
        EXPECT_EQ(dialog.GetTitle(), "Frequency sweep");
        EXPECT_EQ(dialog.GetClientSize(), dialog.ConvertDialogToPixels(wxSize(175, 106)));
        EXPECT_TRUE(dialog.HasFlag(wxCLOSE_BOX));
        EXPECT_EQ(dialog.GetDefaultItem(), nullptr);
        expectLayout(dialog,
                     {ids::kSweepSeconds, ids::kSweepLimit, ids::kSweepOk, ids::kSweepCancel});
        EXPECT_EQ(textOf(dialog.FindWindow(ids::kSweepSeconds)), "2");
        EXPECT_EQ(textOf(dialog.FindWindow(ids::kSweepLimit)), "2000");
        // The limit's field stands above the period's.
        EXPECT_LT(dialog.FindWindow(ids::kSweepLimit)->GetPosition().y,
                  dialog.FindWindow(ids::kSweepSeconds)->GetPosition().y);

        setText(dialog.FindWindow(ids::kSweepSeconds), "7");
        setText(dialog.FindWindow(ids::kSweepLimit), "9000");
        click(dialog.FindWindow(ids::kSweepOk));
    });
    EXPECT_EQ(player.sweepSeconds.load(), 7U);
    EXPECT_EQ(player.sweepLimit.load(), 9000U);
    EXPECT_EQ(player.generator.load(), GeneratorKind::FrequencySweep);
    EXPECT_EQ(status(), "Using: Frequency sweep");
}

TEST_F(DialogsTest, SweepDialogStoresNeitherValueWhenOneIsMissingOrTooLarge) {
    fromMenu<SweepDialog>(ids::kMenuSweep, [](SweepDialog& dialog) {
        wxWindow* seconds = dialog.FindWindow(ids::kSweepSeconds);
        setText(seconds, "");
        setText(dialog.FindWindow(ids::kSweepLimit), "5000");
        wxTEST_DIALOG(click(dialog.FindWindow(ids::kSweepOk)),
                      ExpectMessage("Frequency limit and speed should be larger than zero."));
        EXPECT_TRUE(dialog.IsModal());

        setText(seconds, "3601");
        wxTEST_DIALOG(click(dialog.FindWindow(ids::kSweepOk)),
                      ExpectMessage("Speed factor should be at most 3600 seconds."));
        EXPECT_TRUE(dialog.IsModal());
        EXPECT_EQ(player.sweepSeconds.load(), 2U);
        EXPECT_EQ(player.sweepLimit.load(), 2000U);
        click(dialog.FindWindow(ids::kSweepCancel));
    });
    EXPECT_EQ(player.sweepSeconds.load(), 2U);
    EXPECT_EQ(player.sweepLimit.load(), 2000U);
}

TEST_F(DialogsTest, SweepCloseBoxKeepsTheValuesAndStillChoosesTheSweep) {
    fromMenu<SweepDialog>(ids::kMenuSweep, [](SweepDialog& dialog) {
        setText(dialog.FindWindow(ids::kSweepSeconds), "5");
        setText(dialog.FindWindow(ids::kSweepLimit), "8000");
        dialog.Close();
        EXPECT_FALSE(dialog.IsModal());
    });
    EXPECT_EQ(player.sweepSeconds.load(), 2U);
    EXPECT_EQ(player.sweepLimit.load(), 2000U);
    EXPECT_EQ(player.generator.load(), GeneratorKind::FrequencySweep);
    EXPECT_EQ(status(), "Using: Frequency sweep");
}

TEST_F(DialogsTest, EscapeLeavesTheSweepDialogOpen) {
    fromMenu<SweepDialog>(ids::kMenuSweep, [](SweepDialog& dialog) {
        pressKey(dialog, WXK_ESCAPE);
        EXPECT_TRUE(dialog.IsModal());
        click(dialog.FindWindow(ids::kSweepCancel));
    });
}

TEST_F(DialogsTest, AboutBoxHasNoCloseBoxAndIgnoresEscape) {
    const GeneratorKind before = player.generator.load();
    fromMenu<AboutDialog>(ids::kMenuAbout, [](AboutDialog& dialog) {
        EXPECT_EQ(dialog.GetTitle(), "About vellumtone generator");
        EXPECT_FALSE(dialog.HasFlag(wxCLOSE_BOX));
        EXPECT_FALSE(dialog.HasFlag(wxSYSTEM_MENU));
        std::string texts;
        for (wxWindow* child : dialog.GetChildren()) {
            texts += textOf(child) + "\n";
        }
        EXPECT_NE(texts.find("Vellumtone Generator 0.9"), std::string::npos) << texts;
        EXPECT_NE(texts.find("Designed for headphone equipment burn-in."), std::string::npos);
        EXPECT_NE(texts.find("MIT License"), std::string::npos);
        EXPECT_NE(texts.find("issue tracker"), std::string::npos);
        auto* close = dynamic_cast<wxButton*>(dialog.FindWindow(ids::kAboutClose));
        ASSERT_NE(close, nullptr);
        EXPECT_EQ(close->GetLabel(), "&Close");
        EXPECT_EQ(dialog.GetDefaultItem(), close);

        pressKey(dialog, WXK_ESCAPE);
        EXPECT_TRUE(dialog.IsModal());
        click(close);
    });
    EXPECT_EQ(player.generator.load(), before);
    EXPECT_EQ(status(), "Please select the generator from menu");
}

TEST_F(DialogsTest, EnterClosesTheAboutBox) {
    fromMenu<AboutDialog>(ids::kMenuAbout, [](AboutDialog& dialog) {
        pressKey(dialog, WXK_RETURN);
        EXPECT_FALSE(dialog.IsModal());
    });
}

}  // namespace
