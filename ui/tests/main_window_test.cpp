#include <wx/menu.h>
#include <wx/slider.h>
#include <wx/stattext.h>

#include "engine/signal_player.h"
#include "engine/testing/test_output_device.h"
#include "resources/resource_ids.h"
#include "ui/main_window.h"
#include "ui/startup.h"
#include "ui/tests/gui_test.h"

namespace {

SignalPlayer& player = SignalPlayer::instance;

using MainWindowTest = MainWindowFixture;

TEST_F(MainWindowTest, StartsInTheMiddleOfTheScreenWithDefaults) {
    ASSERT_EQ(wxGetDisplaySize(), wxSize(1024, 768)) << "the tests expect a 1024 x 768 screen";
    EXPECT_EQ(window->GetTitle(), "Vellumtone Generator 0.9");
    EXPECT_EQ(window->GetPosition(), wxPoint(362, 234));
    EXPECT_EQ(window->GetSize(), wxSize(300, 300));
    EXPECT_FALSE(window->HasFlag(wxRESIZE_BORDER));
    EXPECT_FALSE(window->HasFlag(wxMAXIMIZE_BOX));
    EXPECT_TRUE(window->HasFlag(wxMINIMIZE_BOX));
    EXPECT_TRUE(window->GetIcon().IsOk());
    EXPECT_EQ(window->GetIcon().GetWidth(), 32);

    auto* slider = dynamic_cast<wxSlider*>(control(ids::kVolumeSlider));
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->GetMin(), 0);
    EXPECT_EQ(slider->GetMax(), 32767);
    EXPECT_EQ(slider->GetValue(), 20000);
    EXPECT_EQ(slider->GetPageSize(), 3000);
    EXPECT_EQ(slider->GetLineSize(), 3000);

    EXPECT_EQ(textOf(control(ids::kStatusLine)), "Please select the generator from menu");
    EXPECT_EQ(textOf(control(ids::kRestEvery)), "120");
    EXPECT_EQ(textOf(control(ids::kRestLength)), "30");
    EXPECT_TRUE(control(ids::kPlay)->IsEnabled());
    EXPECT_TRUE(control(ids::kStop)->IsEnabled());
    EXPECT_EQ(player.generator.load(), GeneratorKind::None);
}

TEST_F(MainWindowTest, PanelControlsFitTheWindowAndNeitherOverlapNorCutTheirTexts) {
    wxWindow* panel = control(ids::kPanelTemplate);
    ASSERT_NE(panel, nullptr);
    const wxRect client(window->GetClientSize());
    EXPECT_TRUE(client.Contains(wxRect(panel->GetPosition(), panel->GetSize())))
        << "panel " << panel->GetSize().x << "x" << panel->GetSize().y;

    const wxRect frame = control(ids::kGeneratorFrame)->GetRect();
    for (wxWindow* child : panel->GetChildren()) {
        EXPECT_TRUE(child == control(ids::kGeneratorFrame) || frame.Contains(child->GetRect()))
            << textOf(child);
    }
    expectClearLayout(panel);
}

TEST_F(MainWindowTest, MenuHasItsPopupsItemsAndCommandNumbers) {
    wxMenuBar* bar = window->GetMenuBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->GetMenuCount(), 3U);
    const std::vector<std::pair<std::string, std::vector<std::pair<int, std::string>>>> expected = {
        {"&File", {{40001, "&Exit"}}},
        {"&Generator",
         {{40002, "&White noise"},
          {40004, "&Pink noise"},
          {40005, "Pure test &tone"},
          {40006, "Frequency &sweep"}}},
        {"&About", {{40003, "About this &program"}}},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(bar->GetMenuLabel(i).utf8_string(), expected[i].first);
        const wxMenuItemList& items = bar->GetMenu(i)->GetMenuItems();
        ASSERT_EQ(items.size(), expected[i].second.size());
        std::size_t k = 0;
        for (const wxMenuItem* item : items) {
            EXPECT_EQ(item->GetId(), expected[i].second[k].first);
            EXPECT_EQ(item->GetItemLabel().utf8_string(), expected[i].second[k].second);
            ++k;
        }
    }
}

TEST_F(MainWindowTest, NoiseCommandsChooseTheGeneratorAndSayItOnTheStatusLine) {
    chooseMenu(window, ids::kMenuWhiteNoise);
    EXPECT_EQ(player.generator.load(), GeneratorKind::WhiteNoise);
    EXPECT_EQ(textOf(control(ids::kStatusLine)), "Using: White Noise");

    chooseMenu(window, ids::kMenuPinkNoise);
    EXPECT_EQ(player.generator.load(), GeneratorKind::PinkNoise);
    EXPECT_EQ(textOf(control(ids::kStatusLine)), "Using: Pink Noise");

    // An unknown command changes nothing.
    chooseMenu(window, 40099);
    EXPECT_EQ(player.generator.load(), GeneratorKind::PinkNoise);
    EXPECT_EQ(textOf(control(ids::kStatusLine)), "Using: Pink Noise");
}

TEST_F(MainWindowTest, ExitAndTheCloseBoxEndTheProcessAtOnceWithCodeZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(chooseMenu(window, ids::kMenuExit), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(window->Close(), testing::ExitedWithCode(0), "");
    // Even with a playback running: no static destructor may pull the player from under it.
    EXPECT_EXIT(
        {
            static TestOutputDevice device;
            player.setDevice(&device);
            chooseMenu(window, ids::kMenuWhiteNoise);
            click(control(ids::kPlay));
            waitUntil([] { return player.playing.load() != 0; });
            window->Close();
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(MainWindowTest, AFailedDeviceIsToldAfterTheWindowIsUpAndTheProgramGoesOn) {
    wxTEST_DIALOG(
        storeOutputDevice(TestOutputDevice::failedOpen(DeviceError::BadFormat), window),
        ExpectMessage("Error: Attempted to open with an unsupported waveform-audio format."));
    EXPECT_EQ(player.device.load(), nullptr);
    EXPECT_TRUE(window->IsShown());

    auto device = std::make_unique<TestOutputDevice>();
    OutputDevice* const opened = device.get();
    storeOutputDevice(OpenResult{std::move(device), {}}, window);
    EXPECT_EQ(player.device.load(), opened);
    player.setDevice(nullptr);
    delete opened;
}

}  // namespace
