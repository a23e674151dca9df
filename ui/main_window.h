#pragma once

#include <wx/frame.h>

#include "engine/output_device.h"

class ControlPanel;
class wxCommandEvent;

// The program's one window: the menu and the control panel inside it. Its menu commands
// choose the generator, open the dialogs or end the program.
class MainWindow final : public wxFrame {
  public:
    // Builds and shows the window as the program starts, the volume slider set up.
    static MainWindow* open();

    ControlPanel* panel() const { return panel_; }
    // Hands the device just opened to the player for the rest of the process. A failed open
    // is told in a message box and the program goes on without sound.
    void useOutputDevice(OpenResult opened);

  private:
    MainWindow();

    void onWhiteNoise(wxCommandEvent& event);
    void onPinkNoise(wxCommandEvent& event);
    void onPureTone(wxCommandEvent& event);
    void onSweep(wxCommandEvent& event);
    void onAbout(wxCommandEvent& event);

    ControlPanel* panel_ = nullptr;
};
