#include "ui/tone_dialog.h"

#include <wx/button.h>
#include <wx/msgdlg.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
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

ToneDialog::ToneDialog(wxWindow* owner)
    : wxDialog(owner, ids::kToneTemplate, "Pure test tone setting", wxDefaultPosition,
               wxDefaultSize, kSettingsDialogStyle) {
    prepareDialogFrame(this, 168, 106);
    auto* label = new wxStaticText(this, ids::kStatic, "Tone frequency (Hz): ");
    placeControl(label, 7, 8, 75, 8);
    const std::string frequency = writeUnsigned(SignalPlayer::instance.toneFrequency.load());
    frequency_ = new wxTextCtrl(this, ids::kToneFrequency, frequency);
    placeControl(frequency_, 83, 7, 55, 12);
    auto* ok = new wxButton(this, ids::kToneOk, "&OK");
    placeControl(ok, 37, 78, 47, 13);
    auto* cancel = new wxButton(this, ids::kToneCancel, "&Cancel");
    placeControl(cancel, 89, 78, 47, 13);
    placeControl(new wxStaticBox(this, ids::kStatic, "Waveform type"), 7, 32, 154, 33);
    auto* sine = new wxRadioButton(this, ids::kToneSine, "Sine", wxDefaultPosition, wxDefaultSize,
                                   wxRB_GROUP);
    placeControl(sine, 14, 44, 43, 12);
    // The only waveform there is: always shown chosen, never read, and no stop of the Tab key.
    sine->SetValue(true);
    sine->DisableFocusFromKeyboard();
    nameControls(this, {{frequency_, label}});

    ok->Bind(wxEVT_BUTTON, &ToneDialog::onOk, this);
    cancel->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(0); });
    bindCloseBox(this);
    frequency_->SetFocus();
}

void ToneDialog::onOk(wxCommandEvent& /*event*/) {
    const auto refusal =
        applyToneField(SignalPlayer::instance, frequency_->GetValue().utf8_string());
    if (!refusal) {
        EndModal(0);
        return;
    }
    // The text stays as typed, for the user to correct.
    wxMessageBox(wxString::FromUTF8(*refusal), kMessageCaption, wxOK, this);
}
