#include <gmock/gmock.h>
#include <wx/dialog.h>
#include <wx/statbox.h>

#include "resources/resource_ids.h"
#include "ui/main_window.h"
#include "ui/tests/gui_test.h"

namespace {

// A control as its template has it: found by ID, or by its text when it has none.
struct Placed {
    int id;
    const char* text;
    int x, y, width, height;
};

constexpr int kNone = ids::kStatic;

// Every control of `top` stands at its dialog-unit rectangle (a text may widen its box by a
// few pixels to fit), inside the frame `frameId`, and overlaps no other. Group boxes and the
// burn-in status, which lies below the frame, are checked against their rectangle only.
void expectLayout(wxWindow* parent, const std::vector<Placed>& table, int frameId = 0) {
    wxWindow* top = wxGetTopLevelParent(parent);
    std::vector<wxWindow*> found;
    for (const Placed& row : table) {
        wxWindow* control = nullptr;
        for (wxWindow* child : parent->GetChildren()) {
            if (row.id != kNone ? child->GetId() == row.id : textOf(child) == row.text) {
                control = child;
            }
        }
        ASSERT_NE(control, nullptr) << row.text;
        const wxRect want(top->ConvertDialogToPixels(wxPoint(row.x, row.y)),
                          top->ConvertDialogToPixels(wxSize(row.width, row.height)));
        const wxRect have = control->GetRect();
        EXPECT_EQ(have.GetPosition(), want.GetPosition()) << row.text;
        EXPECT_EQ(have.height, want.height) << row.text;
        EXPECT_THAT(have.width,
                    testing::AllOf(testing::Ge(want.width), testing::Le(want.width + 8)))
            << row.text;
        if (dynamic_cast<wxStaticBox*>(control) == nullptr && row.id != ids::kBurnInStatus) {
            found.push_back(control);
        }
    }
    const wxRect frame =
        frameId != 0 ? parent->FindWindow(frameId)->GetRect() : wxRect(parent->GetClientSize());
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_TRUE(frame.Contains(found[i]->GetRect())) << textOf(found[i]) << " leaves its frame";
        for (std::size_t j = i + 1; j < found.size(); ++j) {
            EXPECT_FALSE(found[i]->GetRect().Intersects(found[j]->GetRect()))
                << textOf(found[i]) << " overlaps " << textOf(found[j]);
        }
    }
}

TEST_F(MainWindowTest, PanelControlsStandAtTheirPlaces) {
    wxWindow* panel = control(ids::kPanelTemplate);
    expectLayout(panel,
                 {{ids::kGeneratorFrame, "Generator", 7, 7, 180, 135},
                  {ids::kPlay, "Play", 69, 43, 53, 14},
                  {ids::kStop, "Stop", 125, 43, 53, 14},
                  {kNone, "Volume ratio: ", 16, 70, 43, 13},
                  {ids::kRestCheck, "Enable rest period", 17, 89, 72, 12},
                  {kNone, "Rest every (minutes) : ", 26, 106, 70, 11},
                  {ids::kRestEvery, "120", 100, 105, 37, 12},
                  {kNone, "Rest length (minutes) : ", 26, 121, 69, 11},
                  {ids::kRestLength, "30", 100, 119, 37, 12},
                  {ids::kStatusLine, "status", 13, 20, 165, 14},
                  {ids::kVolumeSlider, "slider", 61, 70, 58, 11},
                  {ids::kBurnInStatus, "burn-in status", 7, 144, 180, 8}},
                 ids::kGeneratorFrame);
    // The burn-in status lies below the frame, and whole inside the window.
    const wxRect burnIn = control(ids::kBurnInStatus)->GetScreenRect();
    EXPECT_GT(burnIn.y, control(ids::kGeneratorFrame)->GetScreenRect().GetBottom());
    EXPECT_TRUE(window->GetScreenRect().Contains(burnIn));
}

TEST_F(MainWindowTest, DialogControlsStandAtTheirPlaces) {
    withDialog(ids::kMenuPureTone, [](wxDialog& dialog) {
        expectLayout(&dialog, {{kNone, "Tone frequency (Hz): ", 7, 8, 75, 8},
                               {ids::kToneFrequency, "frequency", 83, 7, 55, 12},
                               {ids::kToneOk, "&OK", 37, 78, 47, 13},
                               {ids::kToneCancel, "&Cancel", 89, 78, 47, 13},
                               {kNone, "Waveform type", 7, 32, 154, 33},
                               {ids::kToneSine, "Sine", 14, 44, 43, 12}});
        dialog.EndModal(0);
    });
    withDialog(ids::kMenuSweep, [](wxDialog& dialog) {
        expectLayout(&dialog, {{kNone, "Sweep upper limit (Hz):", 7, 17, 86, 8},
                               {kNone, "Speed factor (seconds): ", 7, 36, 85, 11},
                               {ids::kSweepSeconds, "seconds", 98, 35, 62, 12},
                               {ids::kSweepLimit, "limit", 98, 16, 62, 12},
                               {ids::kSweepOk, "&OK", 35, 74, 50, 13},
                               {ids::kSweepCancel, "&Cancel", 89, 74, 50, 13}});
        dialog.EndModal(0);
    });
    // The about box's lines have no ID and texts of their own: they are taken in template order.
    withDialog(ids::kMenuAbout, [](wxDialog& dialog) {
        std::vector<Placed> table{{ids::kAboutClose, "&Close", 87, 95, 61, 15},
                                  {0, "", 18, 14, 138, 11},
                                  {0, "", 18, 28, 189, 18},
                                  {0, "", 18, 71, 208, 17},
                                  {0, "", 18, 50, 193, 17}};
        auto line = table.begin() + 1;
        for (wxWindow* child : dialog.GetChildren()) {
            if (child->GetId() != ids::kAboutClose) {
                (line++)->id = child->GetId();
            }
        }
        expectLayout(&dialog, table);
        dialog.EndModal(0);
    });
}

}  // namespace
