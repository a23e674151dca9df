#pragma once

#include <wx/dialog.h>

class wxCommandEvent;
class wxTextCtrl;

// "Frequency sweep": the sweep's period and upper limit, stored together by OK when both are
// valid.
class SweepDialog final : public wxDialog {
  public:
    explicit SweepDialog(wxWindow* owner);

  private:
    void onOk(wxCommandEvent& event);

    wxTextCtrl* seconds_ = nullptr;
    wxTextCtrl* limit_ = nullptr;
};
