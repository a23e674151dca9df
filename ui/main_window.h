#pragma once

#include <wx/frame.h>

class ControlPanel;
class wxCloseEvent;
class wxCommandEvent;

// The program's one window: the menu and the control panel inside it. Its menu commands
// choose the generator, open the dialogs or end the program.
class MainWindow final : public wxFrame {
  public:
    MainWindow();

    ControlPanel* panel() const { return panel_; }

  private:
    void onWhiteNoise(wxCommandEvent& event);
    void onPinkNoise(wxCommandEvent& event);
    void onPureTone(wxCommandEvent& event);
    void onSweep(wxCommandEvent& event);
    void onAbout(wxCommandEvent& event);

    ControlPanel* panel_ = nullptr;
};
