#include "ui/about_dialog.h"

#include <wx/button.h>
#include <wx/stattext.h>

#include "resources/resource_ids.h"
#include "ui/accessible_names.h"
#include "ui/dialog_frame.h"
#include "ui/dialog_units.h"
#include "version.h"

AboutDialog::AboutDialog(wxWindow* owner)
    : wxDialog(owner, ids::kAboutTemplate, "About vellumtone generator", wxDefaultPosition,
               wxDefaultSize, kAboutDialogStyle) {
    prepareDialogFrame(this, 233, 131);
    auto text = [this](const wxString& line, int x, int y, int w, int h) {
        placeControl(new wxStaticText(this, ids::kStatic, line), x, y, w, h);
    };

    text(version::kTitle, 18, 14, 138, 11);
    text("Vellumtone Generator is free software.\nDesigned for headphone equipment burn-in.", 18,
         28, 189, 18);
    text("Copyright (c) The Vellumtone developers.\nReleased under the MIT License.", 18, 71, 208,
         17);
    auto* close = new wxButton(this, ids::kAboutClose, "&Close");
    placeControl(close, 87, 95, 61, 15);
    text("Please report faults and suggestions on\nthe Vellumtone project's issue tracker.", 18, 50,
         193, 17);

    nameControls(this, {});
    close->SetDefault();
    close->SetFocus();
    close->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(0); });
    // No close box; should a window manager still ask, the box closes like with its button.
    bindCloseBox(this);
}
