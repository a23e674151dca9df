#pragma once

#include <wx/dialog.h>

class wxCommandEvent;
class wxTextCtrl;

// "Pure test tone setting": the tone's frequency, stored by OK when it is at least 1 Hz.
class ToneDialog final : public wxDialog {
  public:
    explicit ToneDialog(wxWindow* owner);

  private:
    void onOk(wxCommandEvent& event);

    wxTextCtrl* frequency_ = nullptr;
};
