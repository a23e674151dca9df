#include "ui/dialog_units.h"

#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/tokenzr.h>
#include <wx/toplevel.h>
#include <algorithm>

wxFont layoutFont() {
    return wxFont{wxFontInfo(8).Family(wxFONTFAMILY_SWISS).FaceName("Liberation Sans")};
}

wxSize dialogSize(wxWindow* window, int width, int height) {
    return wxGetTopLevelParent(window)->ConvertDialogToPixels(wxSize(width, height));
}

wxRect dialogRect(wxWindow* window, int x, int y, int width, int height) {
    wxWindow* top = wxGetTopLevelParent(window);
    return {top->ConvertDialogToPixels(wxPoint(x, y)),
            top->ConvertDialogToPixels(wxSize(width, height))};
}

void placeControl(wxWindow* control, int x, int y, int width, int height) {
    control->SetFont(layoutFont());
    wxRect rect = dialogRect(control->GetParent(), x, y, width, height);
    if (dynamic_cast<wxCheckBox*>(control) != nullptr ||
        dynamic_cast<wxRadioButton*>(control) != nullptr) {
        // GTK measures these anew once the font is set: its indicator, spacing and text.
        rect.width = std::max(rect.width, control->GetBestSize().x);
    } else if (dynamic_cast<wxStaticText*>(control) != nullptr) {
        // A label's best size is taken before the font reaches the widget and comes out a
        // third too large; its text is measured in the layout font itself.
        int textWidth = 0;
        wxStringTokenizer lines(control->GetLabel(), "\n", wxTOKEN_RET_EMPTY_ALL);
        while (lines.HasMoreTokens()) {
            textWidth = std::max(textWidth, control->GetTextExtent(lines.GetNextToken()).x);
        }
        rect.width = std::max(rect.width, textWidth);
    }
    control->SetSize(rect);
}
