#pragma once
// The game window: hosts the Flash control, negotiates the end of a run with the movie and wires the
// subsystems (requests, player data, screen modes, input, focus) together. It does none of their work.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "data/player_data.h"
#include "display/dx_form.h"
#include "display/dxdraw.h"
#include "display/screen_modes.h"
#include "flash/shockwave_flash_ex.h"
#include "host/request_actions.h"
#include "host/request_dispatcher.h"
#include "input/escape_reporter.h"
#include "input/focus_pause.h"
#include "input/hot_keys.h"
#include "input/system_desktop.h"
#include "input/user_activity.h"
#include "ui/timer.h"

namespace dm {

class TfrmMain final : public TDXForm, private RequestActions, private PauseHost {
 public:
  // Builds the window around a new Flash control and runs FormCreate; throws FlashControlMissing when
  // the control cannot be created.
  TfrmMain();
  ~TfrmMain() override;

  // The one way to call a movie function; the answer is discarded. Errors go to the caller.
  void CallMovie(std::wstring_view text) override;
  void NotifyRightClick();

 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool DialogKey(WPARAM key) override;
  void FormShow() override;
  void FormShown() override;
  bool FormCloseQuery() override;
  void FormClose() override;
  void FormKeyDown(WORD key) override;
  void FormKeyUp(WORD key) override;

 private:
  void FormCreate();
  void LoadMovie();
  void CloseBookkeeping();
  void SizeFlashToClient();

  // What the movie's requests do.
  void SavePlayerFile(const std::wstring& commandText, const std::wstring& fileName) override;
  void SignFiles() override;
  void DeletePlayerFile(const std::wstring& fileName) override;
  void VerifyPlayerFiles() override;
  void ToggleScreenMode(const std::wstring& param) override;
  void AllowClose() override;
  void HideMainWindow() override;
  void CloseMainWindow() override;

  // What focus handling needs from the window.
  Desktop::Window MainWindow() const override;
  bool Minimized() const override;
  bool Maximized() const override;
  bool FullScreen() const override;
  bool WindowedImpossible() const override;
  void RecordDesktopSize() override;
  void SizeControlToClient() override;
  void AlignControlToClient() override;
  void EnableUserActivity(bool enabled) override;

  std::unique_ptr<TShockwaveFlashEx> ShockwaveFlashEx1;
  TDXDraw DXDraw1{this};
  Timer Timer2{1000, true};
  Timer tmrUserActivity{20000, false};
  PlayerData playerData_;
  // Takes the desktop size as it is built, just before FormCreate runs.
  ScreenModes screenModes_;
  RequestDispatcher requests_;
  EscapeReporter escapeReporter_;
  std::optional<HotKeys> hotKeys_;
  UserActivity userActivity_;
  SystemDesktop desktop_;
  FocusPause focusPause_;

  bool FCloseAllowed = false;
  bool FExitAsked = false;
  bool FFirstShowDone = false;
  bool flashFollowsClient_ = false;
  bool gameFocused_ = false;
};

}  // namespace dm
