#include "ui/control_panel.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/msgdlg.h>
#include <wx/slider.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <mutex>

#include "resources/resource_ids.h"
#include "ui/common/field_checks.h"
#include "ui/common/messages.h"
#include "ui/look.h"

namespace {

SignalPlayer& player = SignalPlayer::instance;

constexpr int kVolumeMax = static_cast<int>(SignalPlayer::kMaxVolumePosition);
constexpr int kVolumeStep = 3000;

}  // namespace

ControlPanel* ControlPanel::active_ = nullptr;

ControlPanel::ControlPanel(wxWindow* parent)
    : wxPanel(parent, ids::kPanelTemplate, wxPoint(0, 0), dialogSize(parent, 194, 149)) {
    // Created in the order the tab key visits them.
    auto at = [this](int x, int y) { return dialogPoint(this, x, y); };
    auto size = [this](int w, int h) { return dialogSize(this, w, h); };
    auto label = [&](int id, const char* text, int x, int y, int w, int h) {
        auto* control = new wxStaticText(this, id, text, at(x, y), size(w, h));
        fitToText(control);
        return control;
    };

    new wxStaticBox(this, ids::kGeneratorFrame, "Generator", at(7, 7), size(180, 135));
    play_ = new wxButton(this, ids::kPlay, "Play", at(69, 43), size(53, 14));
    stop_ = new wxButton(this, ids::kStop, "Stop", at(125, 43), size(53, 14));
    label(ids::kStatic, "Volume ratio: ", 16, 70, 43, 13);
    restCheck_ =
        new wxCheckBox(this, ids::kRestCheck, "Enable rest period", at(17, 89), size(72, 12));
    fitToText(restCheck_);
    label(ids::kStatic, "Rest every (minutes) : ", 26, 106, 70, 11);
    restEvery_ = new wxTextCtrl(this, ids::kRestEvery, "120", at(100, 105), size(37, 12));
    label(ids::kStatic, "Rest length (minutes) : ", 26, 121, 69, 11);
    restLength_ = new wxTextCtrl(this, ids::kRestLength, "30", at(100, 119), size(37, 12));
    status_ = label(ids::kStatusLine, kNoGeneratorStatus, 13, 20, 165, 14);
    volume_ = new wxSlider(this, ids::kVolumeSlider, 0, 0, kVolumeMax, at(61, 70), size(58, 11),
                           wxSL_HORIZONTAL);

    play_->Bind(wxEVT_BUTTON, &ControlPanel::onPlay, this);
    stop_->Bind(wxEVT_BUTTON, &ControlPanel::onStop, this);
    restCheck_->Bind(wxEVT_CHECKBOX, &ControlPanel::onRestCheck, this);
    // wxEVT_SLIDER comes with every change of the position, each step of a drag included.
    volume_->Bind(wxEVT_SLIDER, &ControlPanel::onVolume, this);

    active_ = this;
    installEndNotice();
}

ControlPanel::~ControlPanel() {
    if (active_ == this) {
        active_ = nullptr;
    }
}

void ControlPanel::installEndNotice() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        player.setEndNotice([](PlaybackEnd how) {
            // Never touch a window from the playback thread.
            wxTheApp->CallAfter([how] {
                if (active_ != nullptr) {
                    active_->onPlaybackEnded(how);
                }
            });
        });
    });
}

void ControlPanel::setStatusText(const wxString& text) {
    status_->SetLabel(text);
}

void ControlPanel::setUpVolumeSlider() {
    volume_->SetRange(0, kVolumeMax);
    volume_->SetPageSize(kVolumeStep);
    volume_->SetLineSize(kVolumeStep);
    volume_->SetValue(player.amplitude.load() / 2);
}

void ControlPanel::onPlay(wxCommandEvent& /*event*/) {
    switch (player.play()) {
        case PlayOutcome::Started:
            play_->Disable();
            break;
        case PlayOutcome::NoGenerator:
            wxMessageBox(kSelectGeneratorMessage, kMessageCaption, wxOK, wxGetTopLevelParent(this));
            break;
        case PlayOutcome::AlreadyPlaying:
            break;
    }
}

void ControlPanel::onStop(wxCommandEvent& /*event*/) {
    if (player.stop()) {
        stop_->Disable();
    }
}

void ControlPanel::onRestCheck(wxCommandEvent& /*event*/) {
    const bool checked = restCheck_->IsChecked();
    applyRestCheck(player, checked, restEvery_->GetValue().utf8_string(),
                   restLength_->GetValue().utf8_string());
    // The durations are taken when the box is checked; to change them, clear it first.
    restEvery_->Enable(!checked);
    restLength_->Enable(!checked);
}

void ControlPanel::onVolume(wxCommandEvent& /*event*/) {
    player.setVolumePosition(static_cast<std::uint32_t>(volume_->GetValue()));
}

void ControlPanel::onPlaybackEnded(PlaybackEnd how) {
    play_->Enable();
    stop_->Enable();
    if (how == PlaybackEnd::OutOfMemory) {
        wxMessageBox(kOutOfMemoryMessage, kMessageCaption, wxOK | wxICON_ERROR,
                     wxGetTopLevelParent(this));
    }
}
