#include "ui/sweep_dialog.h"

#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "engine/signal_player.h"
#include "resources/resource_ids.h"
#include "ui/accessible_names.h"
#include "ui/common/field_checks.h"
#include "ui/common/messages.h"
#include "ui/common/number_text.h"
#include "ui/dialog_frame.h"
#include "ui/dialog_units.h"

SweepDialog::SweepDialog(wxWindow* owner)
    : wxDialog(owner, ids::kSweepTemplate, "Frequency sweep", wxDefaultPosition, wxDefaultSize,
               kSettingsDialogStyle) {
    prepareDialogFrame(this, 175, 106);
    const SignalPlayer& player = SignalPlayer::instance;

    auto* limitLabel = new wxStaticText(this, ids::kStatic, "Sweep upper limit (Hz):");
    placeControl(limitLabel, 7, 17, 86, 8);
    auto* secondsLabel = new wxStaticText(this, ids::kStatic, "Speed factor (seconds): ");
    placeControl(secondsLabel, 7, 36, 85, 11);
    // The period's field comes first in the tab order, although the limit's stands above it.
    seconds_ = new wxTextCtrl(this, ids::kSweepSeconds, writeUnsigned(player.sweepSeconds.load()));
    placeControl(seconds_, 98, 35, 62, 12);
    limit_ = new wxTextCtrl(this, ids::kSweepLimit, writeUnsigned(player.sweepLimit.load()));
    placeControl(limit_, 98, 16, 62, 12);
    auto* ok = new wxButton(this, ids::kSweepOk, "&OK");
    placeControl(ok, 35, 74, 50, 13);
    auto* cancel = new wxButton(this, ids::kSweepCancel, "&Cancel");
    placeControl(cancel, 89, 74, 50, 13);

    nameControls(this, {{limit_, limitLabel}, {seconds_, secondsLabel}});

    ok->Bind(wxEVT_BUTTON, &SweepDialog::onOk, this);
    cancel->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(0); });
    bindCloseBox(this);
    seconds_->SetFocus();
}

void SweepDialog::onOk(wxCommandEvent& /*event*/) {
    const auto refusal =
        applySweepFields(SignalPlayer::instance, seconds_->GetValue().utf8_string(),
                         limit_->GetValue().utf8_string());
    if (refusal) {
        wxMessageBox(wxString::FromUTF8(*refusal), kMessageCaption, wxOK, this);
        return;
    }
    EndModal(0);
}
