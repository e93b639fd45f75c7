// Program entry: the start-up sequence, the message loop and the shutdown order.
#include <ole2.h>
#include <windows.h>

#include <memory>
#include <optional>

#include "display/library_cache.h"
#include "flash/flash_probe.h"
#include "flash/flash_warning.h"
#include "flash/runtime/flash_player_control.h"
#include "host/main_form.h"
#include "ui/application.h"

namespace {

// OLE for the user-interface thread (apartment-threaded), for the life of the program.
class OleSession {
 public:
  OleSession() : initialised_(SUCCEEDED(OleInitialize(nullptr))) {}
  ~OleSession() {
    if (initialised_) OleUninitialize();
  }
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;

 private:
  bool initialised_;
};

int Run() {
  OleSession ole;
  dm::Application& application = dm::Application::Instance();
  application.SetTitle(L"Driftmarrow");

  // Unit start-up, in this order; each ends after everything started later.
  std::optional<dm::FlashPlayerControlLibrary> flashPlayerControl;
  try {
    flashPlayerControl.emplace();
  } catch (const std::exception& e) {
    application.ShowError(dm::ExceptionText(e));
    return 1;
  }
  dm::DirectXLibraries directX;
  const bool flashPlayerProbed = dm::ProbeFlashPlayer();
  const std::uint32_t flashPlayerVersion = flashPlayerProbed ? dm::ReadFlashPlayerVersion() : 0;

  std::unique_ptr<dm::TfrmMain> frmMain;
  try {
    frmMain = std::make_unique<dm::TfrmMain>();
  } catch (const std::exception& e) {
    application.ShowError(dm::ExceptionText(e));
    return 1;
  }
  auto frmFlashWarning = std::make_unique<dm::TfrmFlashWarning>(frmMain->Handle());
  application.SetMainForm(frmMain.get());
  frmMain->Show();
  if (dm::FlashPlayerTooOld(flashPlayerProbed, flashPlayerVersion)) frmFlashWarning->ShowCentredOn(frmMain->Handle());
  int code = application.Run();
  frmFlashWarning.reset();
  frmMain.reset();
  return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    return Run();
  } catch (...) {
    dm::Application::Instance().ReportCurrentException();
    return 1;
  }
}
