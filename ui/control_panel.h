#pragma once

#include <wx/panel.h>
#include <wx/timer.h>

#include "engine/signal_player.h"
#include "ui/common/burn_in_status.h"

class wxButton;
class wxCheckBox;
class wxCommandEvent;
class wxSlider;
class wxStaticText;
class wxTextCtrl;
class wxTimerEvent;

// The panel inside the main window: the status line, Play and Stop, the volume slider, the
// rest period settings and, below their frame, the burn-in status. It only turns what the
// user does into changes of the player.
class ControlPanel final : public wxPanel {
  public:
    explicit ControlPanel(wxWindow* parent);
    ~ControlPanel() override;

    void setStatusText(const wxString& text);
    // Range 0..32767, page and line 3000, at half the player's amplitude.
    void setUpVolumeSlider();

  private:
    void onPlay(wxCommandEvent& event);
    void onStop(wxCommandEvent& event);
    void onRestCheck(wxCommandEvent& event);
    void onVolume(wxCommandEvent& event);
    // Once a second while a playback runs.
    void onTick(wxTimerEvent& event);
    // On the GUI thread, after the playback thread has ended a playback.
    void onPlaybackEnded(PlaybackEnd how);
    void showBurnIn(BurnInStatus::State state);

    // The playback's end notice runs on its own thread; it reaches the panel that currently
    // shows the buttons through a call queued on the GUI thread.
    static void installEndNotice();
    static ControlPanel* active_;

    wxButton* play_ = nullptr;
    wxButton* stop_ = nullptr;
    wxCheckBox* restCheck_ = nullptr;
    wxTextCtrl* restEvery_ = nullptr;
    wxTextCtrl* restLength_ = nullptr;
    wxStaticText* status_ = nullptr;
    wxSlider* volume_ = nullptr;
    wxStaticText* burnInText_ = nullptr;
    BurnInStatus burnIn_;
    wxTimer ticker_;
};
