#pragma once

#include <wx/dialog.h>

// "About vellumtone generator": the name, the licence and where to report faults. Only its
// Close button (also reached with Enter) closes it.
class AboutDialog final : public wxDialog {
  public:
    explicit AboutDialog(wxWindow* owner);
};
