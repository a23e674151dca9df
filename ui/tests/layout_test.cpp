// The wx program lays out its panel and dialogs in dialog units like the Windows program's
// resource script: every control stands where the script puts it, in the script's order,
// which is the order the tab key visits them.

#include <gmock/gmock.h>
#include <wx/dialog.h>
#include <fstream>
#include <regex>
#include <sstream>

#include "resources/resource_ids.h"
#include "ui/main_window.h"
#include "ui/tests/gui_test.h"

namespace {

using testing::AllOf;
using testing::Ge;
using testing::Le;

struct Placed {
    wxRect units;
    bool tabStop;
};

// The controls of one template of the resource script, in its order.
std::vector<Placed> templateControls(const std::string& name) {
    std::ifstream file(VELLUMTONE_RESOURCE_SCRIPT);
    std::stringstream script;
    script << file.rdbuf();
    const std::string all = script.str();
    const std::size_t begin = all.find(name + " DIALOGEX");
    const std::string body = all.substr(begin, all.find("\nEND", begin) - begin);
    // The first four numbers of a control statement are its rectangle.
    static const std::regex control(R"(CONTROL[\s\S]*?(\d+), *(\d+), *(\d+), *(\d+))");
    std::vector<Placed> controls;
    for (std::sregex_iterator it(body.begin(), body.end(), control), end; it != end; ++it) {
        controls.push_back(
            {{std::stoi((*it)[1]), std::stoi((*it)[2]), std::stoi((*it)[3]), std::stoi((*it)[4])},
             it->str().find("WS_TABSTOP") != std::string::npos});
    }
    return controls;
}

// A text may widen its control by a few pixels to fit; no control leaves its window. The
// tab key stops at the controls the script marks, and only at them.
void expectLikeTemplate(wxWindow* parent, const std::string& name) {
    wxWindow* top = wxGetTopLevelParent(parent);
    const std::vector<Placed> controls = templateControls(name);
    ASSERT_EQ(parent->GetChildren().size(), controls.size()) << name;
    auto placed = controls.begin();
    for (wxWindow* child : parent->GetChildren()) {
        SCOPED_TRACE(name + ": " + textOf(child));
        EXPECT_EQ(child->CanAcceptFocusFromKeyboard(), placed->tabStop);
        // The burn-in status has a row of its own here, below the frame.
        const wxRect units =
            child->GetId() == ids::kBurnInStatus ? wxRect(7, 144, 180, 8) : placed->units;
        ++placed;
        const wxRect want(top->ConvertDialogToPixels(units.GetPosition()),
                          top->ConvertDialogToPixels(units.GetSize()));
        const wxRect have = child->GetRect();
        EXPECT_EQ(have.GetPosition(), want.GetPosition());
        EXPECT_EQ(have.height, want.height);
        EXPECT_THAT(have.width, AllOf(Ge(want.width), Le(want.width + 8)));
        EXPECT_TRUE(wxRect(parent->GetClientSize()).Contains(have));
    }
}

TEST_F(MainWindowTest, ControlsStandWhereTheResourceScriptPutsThem) {
    expectLikeTemplate(control(ids::kPanelTemplate), "VT_PANEL_TEMPLATE");
    EXPECT_TRUE(wxRect(window->GetClientSize()).Contains(control(ids::kPanelTemplate)->GetRect()));
    for (const auto& [command, name] : {std::pair{ids::kMenuPureTone, "VT_TONE_TEMPLATE"},
                                        std::pair{ids::kMenuSweep, "VT_SWEEP_TEMPLATE"},
                                        std::pair{ids::kMenuAbout, "VT_ABOUT_TEMPLATE"}}) {
        withDialog(command, [name = name](wxDialog& dialog) {
            expectLikeTemplate(&dialog, name);
            dialog.EndModal(0);
        });
    }
}

}  // namespace
