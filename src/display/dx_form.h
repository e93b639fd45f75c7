#pragma once
// The main window's base class: its own taskbar button (the application's hidden owner window shows none
// while such windows live), the minimize command, and a window placement to put back after full screen.
#include <windows.h>

#include "ui/form.h"

namespace dm {

class TDXForm : public Form {
 public:
  TDXForm();
  ~TDXForm() override;

  // Records the window's placement; RestoreWindowPlacement applies it once.
  void StoreWindowPlacement();
  void RestoreWindowPlacement();

 protected:
  void CreateParams(WindowCreateParams& params) override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  static int liveInstances_;
  WINDOWPLACEMENT placement_{};
  bool placementStored_ = false;
};

}  // namespace dm
