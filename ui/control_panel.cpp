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
#include "ui/accessible_names.h"
#include "ui/common/burn_in_status.h"
#include "ui/common/field_checks.h"
#include "ui/common/messages.h"
#include "ui/dialog_units.h"

namespace {

SignalPlayer& player = SignalPlayer::instance;

constexpr int kVolumeMax = static_cast<int>(SignalPlayer::kMaxVolumePosition);
constexpr int kVolumeStep = 3000;

// The burn-in status goes below the frame, where no other control is and its longest text
// fits on one line; the panel grows by that line.
constexpr int kBurnInTop = 144;
constexpr int kPanelHeight = kBurnInTop + 9;

template <class Control>
Control* placed(Control* control, int x, int y, int w, int h) {
    placeControl(control, x, y, w, h);
    return control;
}

}  // namespace

ControlPanel* ControlPanel::active_ = nullptr;

ControlPanel::ControlPanel(wxWindow* parent)
    : wxPanel(parent, ids::kPanelTemplate, wxPoint(0, 0), dialogSize(parent, 194, kPanelHeight)),
      ticker_(this) {
    // Created in the order the tab key visits them.
    auto label = [this](int id, const char* text, int x, int y, int w, int h) {
        return placed(new wxStaticText(this, id, text), x, y, w, h);
    };

    placed(new wxStaticBox(this, ids::kGeneratorFrame, "Generator"), 7, 7, 180, 135);
    play_ = placed(new wxButton(this, ids::kPlay, "Play"), 69, 43, 53, 14);
    stop_ = placed(new wxButton(this, ids::kStop, "Stop"), 125, 43, 53, 14);
    wxStaticText* volumeLabel = label(ids::kStatic, "Volume ratio: ", 16, 70, 43, 13);
    restCheck_ =
        placed(new wxCheckBox(this, ids::kRestCheck, "Enable rest period"), 17, 89, 72, 12);
    wxStaticText* everyLabel = label(ids::kStatic, "Rest every (minutes) : ", 26, 106, 70, 11);
    restEvery_ = placed(new wxTextCtrl(this, ids::kRestEvery, "120"), 100, 105, 37, 12);
    wxStaticText* lengthLabel = label(ids::kStatic, "Rest length (minutes) : ", 26, 121, 72, 11);
    restLength_ = placed(new wxTextCtrl(this, ids::kRestLength, "30"), 100, 119, 37, 12);
    status_ = label(ids::kStatusLine, kNoGeneratorStatus, 13, 20, 165, 14);
    volume_ = placed(new wxSlider(this, ids::kVolumeSlider, 0, 0, kVolumeMax), 61, 70, 58, 11);
    burnInText_ = label(ids::kBurnInStatus, "", 7, kBurnInTop, 180, 8);
    nameControls(this,
                 {{volume_, volumeLabel}, {restEvery_, everyLabel}, {restLength_, lengthLabel}});
    readValueAsPercent(volume_);

    play_->Bind(wxEVT_BUTTON, &ControlPanel::onPlay, this);
    stop_->Bind(wxEVT_BUTTON, &ControlPanel::onStop, this);
    restCheck_->Bind(wxEVT_CHECKBOX, &ControlPanel::onRestCheck, this);
    // wxEVT_SLIDER comes with every change of the position, each step of a drag included.
    volume_->Bind(wxEVT_SLIDER, &ControlPanel::onVolume, this);
    Bind(wxEVT_TIMER, &ControlPanel::onTick, this);

    active_ = this;
    installNotices();
}

ControlPanel::~ControlPanel() {
    if (active_ == this) {
        active_ = nullptr;
    }
}

void ControlPanel::installNotices() {
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
        // A rest that starts or ends is told at once rather than at the next tick.
        player.setChangeNotice([] {
            wxTheApp->CallAfter([] {
                if (active_ != nullptr) {
                    active_->showBurnIn();
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
            // The keyboard stays on the panel: Stop is the button that can be pressed now.
            stop_->SetFocus();
            showBurnIn();
            ticker_.Start(1000);
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

void ControlPanel::onTick(wxTimerEvent& /*event*/) {
    showBurnIn();
}

void ControlPanel::showBurnIn() {
    burnInText_->SetLabel(wxString::FromUTF8(BurnInStatus::format(player.burnIn())));
}

void ControlPanel::onPlaybackEnded(PlaybackEnd how) {
    ticker_.Stop();
    showBurnIn();
    // Play takes the keyboard back unless the user has moved it to another control meanwhile.
    wxWindow* focus = FindFocus();
    const bool focusLost = focus == nullptr || focus == stop_ || focus == play_;
    play_->Enable();
    stop_->Enable();
    if (focusLost) {
        play_->SetFocus();
    }
    if (how == PlaybackEnd::OutOfMemory) {
        wxMessageBox(kOutOfMemoryMessage, kMessageCaption, wxOK | wxICON_ERROR,
                     wxGetTopLevelParent(this));
    }
}
