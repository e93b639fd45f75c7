#include "host/main_form.h"

#include "host/movie_call_text.h"
#include "host/request_reader_msxml.h"
#include "input/message_filter.h"
#include "input/system_keyboard.h"
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

TfrmMain::TfrmMain()
    : ShockwaveFlashEx1(std::make_unique<TShockwaveFlashEx>()),
      playerData_(Application::Instance().Handle()),
      screenModes_(*this, DXDraw1, tmrUserActivity,
                   ScreenModeHooks{[this](std::wstring_view text) { CallMovie(text); },
                                   [this] { SizeFlashToClient(); }, {}, {}, {}}),
      requests_(std::make_unique<MsxmlRequestReader>(), *this),
      escapeReporter_([this](std::wstring_view text) { CallMovie(text); }),
      userActivity_(&InjectSystemKey),
      focusPause_(*this, desktop_) {
  SetCaption(L"Driftmarrow");
  SetKeyPreview(true);
  SetFont(L"Tahoma", -11);
  SetCentreOnFirstShow(true);
  CreateHandle();
  SetClientSize(783, 587);
  ShockwaveFlashEx1->CreateWindowIn(Handle(), kStage);
  ShockwaveFlashEx1->OnFlashCall = [this](const std::wstring& request) { requests_.OnFlashCall(request); };
  Timer2.SetOnTimer([this] { focusPause_.CheckMinimized(); });
  tmrUserActivity.SetOnTimer([this] { userActivity_.Tick(); });
  try {
    FormCreate();
  } catch (...) {
    Application::Instance().ReportCurrentException();
  }
}

TfrmMain::~TfrmMain() {
  // The hot keys go while their window exists; the window goes while everything its last messages
  // reach (display service, timers, the control) still exists.
  hotKeys_.reset();
  DestroyHandle();
}

void TfrmMain::FormCreate() {
  FCloseAllowed = false;
  FExitAsked = false;
  FFirstShowDone = false;
  Application::Instance().SetMessageHook([](MSG& message) { return AppMessageFilter(message); });
  hotKeys_.emplace();
  hotKeys_->ClaimContextMenuKey(Handle());
  SetBorderStyle(BorderStyle::Single);
  SetStayOnTop(false);
  LoadMovie();
  playerData_.PreparePlayerDataFolder();
  playerData_.VerifyPlayerFiles();
  playerData_.EnsurePlayersFile();
  try {
    CallMovie(SetAppPathCallText(playerData_.PlayerDataFolder()));
  } catch (...) {
    // The movie may not have made its callbacks available yet; it can still find nothing of its own.
  }
  hotKeys_->ClaimLockKey(Handle());
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
  screenModes_.ChooseStartScreenMode();
}

void TfrmMain::FormShown() {
  // Activation is kept from focusing anything, so the game takes the keyboard here: the player's keys
  // (Escape included) work without a click on the stage first.
  if (!gameFocused_) {
    gameFocused_ = true;
    SetFocus(ShockwaveFlashEx1->ControlWindow());
  }
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

void TfrmMain::CloseBookkeeping() {
  if (!playerData_.FilesSigned()) playerData_.signFiles();
}

void TfrmMain::CallMovie(std::wstring_view text) { ShockwaveFlashEx1->CallFunction(std::wstring(text)); }

void TfrmMain::NotifyRightClick() { CallMovie(movie_call::kRightClick); }

void TfrmMain::FormKeyDown(WORD key) { escapeReporter_.KeyDown(key); }

void TfrmMain::FormKeyUp(WORD key) { escapeReporter_.KeyUp(key); }

bool TfrmMain::DialogKey(WPARAM key) {
  // Tab belongs to the game: it never moves the focus and reaches the control.
  if (key == VK_TAB) return false;
  return TDXForm::DialogKey(key);
}

void TfrmMain::SizeFlashToClient() {
  RECT client{};
  GetClientRect(Handle(), &client);
  ShockwaveFlashEx1->SetBounds(client);
}

LRESULT TfrmMain::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  // Errors while handling any message of the game window are discarded: there is nobody to tell.
  try {
    switch (message) {
      case WM_RBUTTONDOWN:
        return 0;
      case WM_ACTIVATE:
        focusPause_.Activated();
        return 0;
      case WM_SYSCOMMAND: {
        LRESULT result = 0;
        focusPause_.SysCommand(static_cast<std::uint32_t>(wParam),
                               [&] { result = TDXForm::WndProc(message, wParam, lParam); });
        return result;
      }
      case WM_HOTKEY:
        return 0;
      case WM_SIZE:
        if (flashFollowsClient_) SizeFlashToClient();
        break;
      default:
        break;
    }
    LRESULT result = TDXForm::WndProc(message, wParam, lParam);
    if (message == WM_KEYDOWN && wParam != VK_SPACE) Sleep(0);
    return result;
  } catch (...) {
    return 0;
  }
}

void TfrmMain::SavePlayerFile(const std::wstring& commandText, const std::wstring& fileName) {
  playerData_.SavePlayerFile(commandText, fileName);
}
void TfrmMain::SignFiles() { playerData_.signFiles(); }
void TfrmMain::DeletePlayerFile(const std::wstring& fileName) { playerData_.DeletePlayerFile(fileName); }
void TfrmMain::VerifyPlayerFiles() { playerData_.VerifyPlayerFiles(); }
void TfrmMain::ToggleScreenMode(const std::wstring& param) { screenModes_.ToggleScreenMode(param); }
void TfrmMain::AllowClose() { FCloseAllowed = true; }
void TfrmMain::HideMainWindow() { Hide(); }
void TfrmMain::CloseMainWindow() { Close(); }

Desktop::Window TfrmMain::MainWindow() const { return ToDesktopWindow(Handle()); }
bool TfrmMain::Minimized() const { return GetWindowState() == WindowState::Minimized; }
bool TfrmMain::Maximized() const { return GetWindowState() == WindowState::Maximized; }
bool TfrmMain::FullScreen() const { return screenModes_.FullScreen(); }
bool TfrmMain::WindowedImpossible() const { return screenModes_.WindowedImpossible(); }
void TfrmMain::RecordDesktopSize() { screenModes_.RecordDesktopSize(); }
void TfrmMain::SizeControlToClient() { SizeFlashToClient(); }
void TfrmMain::AlignControlToClient() {
  flashFollowsClient_ = true;
  SizeFlashToClient();
}
void TfrmMain::EnableUserActivity(bool enabled) { tmrUserActivity.SetEnabled(enabled); }

}  // namespace dm
