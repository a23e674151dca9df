#pragma once

#include <wx/panel.h>
#include <wx/timer.h>

#include "engine/signal_player.h"

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
    // Once a second while a playback runs: the output may come and go unannounced.
    void onTick(wxTimerEvent& event);
    // On the GUI thread, after the playback thread has ended a playback.
    void onPlaybackEnded(PlaybackEnd how);
    // The engine's tally of what was heard, as the line below the frame words it.
    void showBurnIn();

    // The playback's notices run on its own thread; they reach the panel that currently
    // shows the buttons through a call queued on the GUI thread.
    static void installNotices();
    static ControlPanel* active_;

    wxButton* play_ = nullptr;
    wxButton* stop_ = nullptr;
    wxCheckBox* restCheck_ = nullptr;
    wxTextCtrl* restEvery_ = nullptr;
    wxTextCtrl* restLength_ = nullptr;
    wxStaticText* status_ = nullptr;
    wxSlider* volume_ = nullptr;
    wxStaticText* burnInText_ = nullptr;
    wxTimer ticker_;
};
