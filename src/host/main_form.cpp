#include "host/main_form.h"

#include "host/movie_call_text.h"
#include "ui/application.h"

namespace dm {
namespace {

constexpr RECT kStage{0, 0, 1024, 768};
const wchar_t kMovieFileName[] = L"Driftmarrow.swf";

std::wstring ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

bool FileExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

TfrmMain::TfrmMain() : ShockwaveFlashEx1(std::make_unique<TShockwaveFlashEx>()) {
  SetCaption(L"Driftmarrow");
  SetKeyPreview(true);
  SetFont(L"Tahoma", -11);
  SetCentreOnFirstShow(true);
  CreateHandle();
  SetClientSize(783, 587);
  ShockwaveFlashEx1->CreateWindowIn(Handle(), kStage);
  ShockwaveFlashEx1->OnFlashCall = [this](const std::wstring& request) { ShockwaveFlashEx1FlashCall(request); };
  try {
    FormCreate();
  } catch (...) {
    Application::Instance().ReportCurrentException();
  }
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::FormCreate() {
  FCloseAllowed = false;
  FExitAsked = false;
  FFirstShowDone = false;
  SetBorderStyle(BorderStyle::Single);
  SetStayOnTop(false);
  LoadMovie();
  ShockwaveFlashEx1->OnRightClick = [this] { NotifyRightClick(); };
}

void TfrmMain::LoadMovie() {
  std::wstring movie = ExecutableFolder() + kMovieFileName;
  if (FileExists(movie))
    ShockwaveFlashEx1->SetMovie(movie);
  else
    FCloseAllowed = true;
}

void TfrmMain::FormShow() {
  if (FFirstShowDone) return;
  FFirstShowDone = true;
  SetClientSize(1024, 768);
  ShockwaveFlashEx1->SetBounds(kStage);
}

bool TfrmMain::FormCloseQuery() {
  bool canClose = FCloseAllowed;
  if (!FExitAsked && !FCloseAllowed) {
    FExitAsked = true;
    try {
      CallMovie(movie_call::kExternalExit);
    } catch (...) {
      // A movie that cannot be asked cannot answer either: let the player go.
      canClose = true;
      Hide();
    }
  }
  return canClose;
}

void TfrmMain::FormClose() {
  try {
    CloseBookkeeping();
  } catch (...) {
    // The run ends regardless; the files keep what the last pass left.
  }
}

void TfrmMain::CloseBookkeeping() {}

void TfrmMain::CallMovie(std::wstring_view text) { ShockwaveFlashEx1->CallFunction(std::wstring(text)); }

void TfrmMain::NotifyRightClick() { CallMovie(movie_call::kRightClick); }

void TfrmMain::ShockwaveFlashEx1FlashCall(const std::wstring&) {}

bool TfrmMain::DialogKey(WPARAM key) {
  // Tab belongs to the game: it never moves the focus and reaches the control.
  if (key == VK_TAB) return false;
  return Form::DialogKey(key);
}

LRESULT TfrmMain::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // Errors while handling any message of the game window are discarded: there is nobody to tell.
  try {
    if (message == WM_RBUTTONDOWN) return 0;
    LRESULT result = Form::WndProc(message, wParam, lParam);
    if (message == WM_KEYDOWN && wParam != VK_SPACE) Sleep(0);
    return result;
  } catch (...) {
    return 0;
  }
}

}  // namespace dm
