// The wx program lays out its panel and dialogs in dialog units like the Windows program's
// resource script: every control stands where the script puts it, in the script's order,
// which is the order the tab key visits them, and is a tab stop where the script says so.

#include <fstream>
#include <iterator>
#include <regex>

#include "ui/tests/gui_test.h"

namespace {

using testing::AllOf;
using testing::Ge;
using testing::Le;

// A text may widen its control by a few pixels to fit; no control leaves its window.
void expectLikeTemplate(wxWindow* parent, const std::string& name) {
    std::ifstream file(VELLUMTONE_RESOURCE_SCRIPT);
    const std::string all{std::istreambuf_iterator<char>(file), {}};
    // The template, from its name to its END.
    const std::size_t begin = all.find(name + " DIALOGEX");
    const std::string text = all.substr(begin, all.find("\nEND", begin) - begin);
    // The first four numbers of a control statement are its rectangle.
    static const std::regex statement(R"(CONTROL[\s\S]*?(\d+), *(\d+), *(\d+), *(\d+))");
    std::sregex_iterator control(text.begin(), text.end(), statement);
    wxWindow* top = wxGetTopLevelParent(parent);
    for (wxWindow* child : parent->GetChildren()) {
        ASSERT_NE(control, std::sregex_iterator()) << name << " has fewer controls";
        SCOPED_TRACE(name + ": " + textOf(child));
        const std::smatch row = *control++;
        EXPECT_EQ(child->CanAcceptFocusFromKeyboard(),
                  row.str().find("WS_TABSTOP") != std::string::npos);
        const wxRect units(std::stoi(row[1]), std::stoi(row[2]), std::stoi(row[3]),
                           std::stoi(row[4]));
        const wxRect want(top->ConvertDialogToPixels(units.GetPosition()),
                          top->ConvertDialogToPixels(units.GetSize()));
        const wxRect have = child->GetRect();
        EXPECT_EQ(have.GetPosition(), want.GetPosition());
        EXPECT_EQ(have.height, want.height);
        EXPECT_THAT(have.width, AllOf(Ge(want.width), Le(want.width + 8)));
        EXPECT_TRUE(wxRect(parent->GetClientSize()).Contains(have));
    }
    EXPECT_EQ(control, std::sregex_iterator()) << name << " has more controls";
}

// Escape closes none of the dialogs; Enter closes the about box (which has no close box).
TEST_F(MainWindowTest, ControlsStandWhereTheResourceScriptPutsThem) {
    expectLikeTemplate(control(ids::kPanelTemplate), "VT_PANEL_TEMPLATE");
    for (const auto& [command, name] : {std::pair{ids::kMenuPureTone, "VT_TONE_TEMPLATE"},
                                        std::pair{ids::kMenuSweep, "VT_SWEEP_TEMPLATE"},
                                        std::pair{ids::kMenuAbout, "VT_ABOUT_TEMPLATE"}}) {
        withDialog(command, [name = std::string(name)](wxDialog& dialog) {
            expectLikeTemplate(&dialog, name);
            pressKey(&dialog, WXK_ESCAPE);
            EXPECT_TRUE(dialog.IsModal());
            name == "VT_ABOUT_TEMPLATE" ? pressKey(&dialog, WXK_RETURN) : dialog.EndModal(0);
        });
    }
}

}  // namespace
