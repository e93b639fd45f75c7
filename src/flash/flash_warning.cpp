#include "flash/flash_warning.h"

#include "ui/com.h"

namespace dm {

namespace {

constexpr int kDesignDpi = 120;
constexpr int kBitBtn2Id = IDOK;

int ScreenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace

TfrmFlashWarning::TfrmFlashWarning(HWND owner, CommandLauncher launcher)
    : owner_(owner), launcher_(std::move(launcher)), screenDpi_(ScreenDpi()) {
  SetCaption(L"Driftmarrow");
  SetBorderStyle(BorderStyle::Single);
  CreateHandle();
  SetClientSize(Scaled(426), Scaled(124));
  font_.reset(CreateFontW(Scaled(-14), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  label1_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, Scaled(21), Scaled(10), Scaled(391),
                            Scaled(54), Handle(), nullptr, instance, nullptr);
  bitBtn2_ = CreateWindowExW(0, L"BUTTON", L"Ok", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, Scaled(67),
                             Scaled(81), Scaled(98), Scaled(33), Handle(),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBitBtn2Id)), instance, nullptr);
  if (!label1_ || !bitBtn2_) throw Error(L"The warning window cannot be created: " + SystemMessage(GetLastError()));
  for (HWND control : {label1_, bitBtn2_})
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  FormCreate();
}

void TfrmFlashWarning::CreateParams(WindowCreateParams& params) {
  Form::CreateParams(params);
  params.owner = owner_;
}

int TfrmFlashWarning::Scaled(int designed) const { return MulDiv(designed, screenDpi_, kDesignDpi); }

void TfrmFlashWarning::FormCreate() {
  SetWindowTextW(label1_,
                 L"An older version of flash player is detected. Please install the latest version of flash to play "
                 L"this game.");
}

LRESULT TfrmFlashWarning::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == kBitBtn2Id && HIWORD(wParam) == BN_CLICKED) {
    Button2Click();
    return 0;
  }
  return Form::WndProc(message, wParam, lParam);
}

void TfrmFlashWarning::Button2Click() { Close(); }

void TfrmFlashWarning::ShowCentredOn(HWND window) {
  RECT around{};
  if (!window || !GetWindowRect(window, &around)) {
    CentreInWorkArea();
  } else {
    const RECT bounds = BoundsRect();
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    SetPosition(around.left + (around.right - around.left - width) / 2,
                around.top + (around.bottom - around.top - height) / 2);
  }
  Show();
}

void TfrmFlashWarning::OpenDownloadPage() {
  launcher_(std::wstring(L"explorer ") + kDownloadPage);
  Close();
}

void TfrmFlashWarning::LaunchHidden(const std::wstring& commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  std::wstring mutableLine = commandLine;
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    throw Error(L"The download page cannot be opened: " + SystemMessage(GetLastError()));
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace dm
