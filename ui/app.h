#pragma once

#include <wx/app.h>

class MainWindow;

class VellumtoneApp final : public wxApp {
  public:
    bool OnInit() override;

  private:
    void onFirstIdle(wxIdleEvent& event);

    MainWindow* window_ = nullptr;
};
