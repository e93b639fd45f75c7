#pragma once
// The window that tells the player the installed Flash Player is too old.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include "ui/form.h"

namespace dm {

class TfrmFlashWarning final : public Form {
 public:
  // Starts a command line with its window hidden; tests substitute their own.
  using CommandLauncher = std::function<void(const std::wstring& commandLine)>;
  static constexpr wchar_t kDownloadPage[] = L"https://get.adobe.com/flashplayer/";

  // Creates the window hidden, owned by owner (may be null).
  explicit TfrmFlashWarning(HWND owner, CommandLauncher launcher = LaunchHidden);

  // Shows the window centred on another window (on the work area when null).
  void ShowCentredOn(HWND window);
  // Opens the Flash Player download page ("explorer <address>", hidden), then closes the window.
  void OpenDownloadPage();

  HWND Label1() const { return label1_; }
  HWND BitBtn2() const { return bitBtn2_; }

  static void LaunchHidden(const std::wstring& commandLine);

 protected:
  void CreateParams(WindowCreateParams& params) override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  struct FontDeleter {
    void operator()(HFONT font) const noexcept { DeleteObject(font); }
  };

  void FormCreate();
  void Button2Click();
  // A length of the design (120 pixels per inch) at the screen's resolution.
  int Scaled(int designed) const;

  HWND owner_;
  CommandLauncher launcher_;
  int screenDpi_ = 96;
  std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter> font_;
  HWND label1_ = nullptr;
  HWND bitBtn2_ = nullptr;
};

}  // namespace dm
