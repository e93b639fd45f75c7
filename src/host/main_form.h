#pragma once
// The game window: hosts the Flash control, negotiates the end of a run with the movie and wires the
// subsystems (requests, player data, screen modes, input) together. It does none of their work.
#include <memory>
#include <string>
#include <string_view>

#include "flash/shockwave_flash_ex.h"
#include "ui/form.h"
#include "ui/timer.h"

namespace dm {

class TfrmMain : public Form {
 public:
  // Builds the window around a new Flash control and runs FormCreate; throws FlashControlMissing when
  // the control cannot be created.
  TfrmMain();
  ~TfrmMain() override;

  // The one way to call a movie function; the answer is discarded. Errors go to the caller.
  void CallMovie(std::wstring_view text);
  void NotifyRightClick();

  TShockwaveFlashEx& FlashControl() { return *ShockwaveFlashEx1; }
  bool CloseAllowed() const { return FCloseAllowed; }

 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool DialogKey(WPARAM key) override;
  void FormShow() override;
  bool FormCloseQuery() override;
  void FormClose() override;

 private:
  void FormCreate();
  void LoadMovie();
  void CloseBookkeeping();
  void ShockwaveFlashEx1FlashCall(const std::wstring& request);

  std::unique_ptr<TShockwaveFlashEx> ShockwaveFlashEx1;
  Timer Timer1{100, false};
  Timer Timer2{1000, true};
  Timer tmrUserActivity{20000, false};

  bool FCloseAllowed = false;
  bool FExitAsked = false;
  bool FFirstShowDone = false;
};

}  // namespace dm
