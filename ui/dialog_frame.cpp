#include "ui/dialog_frame.h"

#include "ui/dialog_units.h"
#include "ui/window_placement.h"

void prepareDialogFrame(wxDialog* dialog, int width, int height) {
    dialog->SetFont(layoutFont());
    dialog->SetClientSize(dialogSize(dialog, width, height));
    dialog->SetEscapeId(wxID_NONE);
    dialog->CentreOnScreen();
    placeWhenShown(dialog, dialog->GetPosition());
}

void bindCloseBox(wxDialog* dialog) {
    dialog->Bind(wxEVT_CLOSE_WINDOW, [dialog](wxCloseEvent&) { dialog->EndModal(0); });
}
