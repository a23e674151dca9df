#pragma once

#include <wx/app.h>

// Shows the main window, then opens the audio output, so that a failure's message box
// appears over the window.
class VellumtoneApp final : public wxApp {
  public:
    bool OnInit() override;
};
