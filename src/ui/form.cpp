#include "ui/form.h"

#include "ui/application.h"
#include "ui/com.h"

namespace dm {
namespace {

const wchar_t kFormClass[] = L"DriftmarrowForm";
const wchar_t kFormProperty[] = L"Driftmarrow.Form";

void RegisterFormClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hIcon = LoadIconW(wc.hInstance, L"MAINICON");
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  registered = RegisterClassExW(&wc) != 0;
}

}  // namespace

Form::Form() = default;

Form::~Form() {
  DestroyHandle();
  if (font_) DeleteObject(font_);
}

void Form::DestroyHandle() {
  // WM_NCDESTROY clears the handle; until then the last messages still see it.
  if (handle_) DestroyWindow(handle_);
  handle_ = nullptr;
}

Form* Form::FromWindow(HWND window) {
  return window ? static_cast<Form*>(GetPropW(window, kFormProperty)) : nullptr;
}

DWORD Form::StyleFor(BorderStyle style) {
  switch (style) {
    case BorderStyle::None:
      return WS_POPUP | WS_CLIPCHILDREN;
    case BorderStyle::Single:
      return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    case BorderStyle::Sizeable:
      break;
  }
  return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_CLIPCHILDREN;
}

void Form::CreateParams(WindowCreateParams& params) {
  params.style = StyleFor(borderStyle_);
  params.exStyle = stayOnTop_ ? WS_EX_TOPMOST : 0;
}

void Form::CreateHandle() {
  if (handle_) return;
  RegisterFormClass();
  WindowCreateParams params;
  CreateParams(params);
  // Creation routes WM_NCCREATE through the default procedure first; the property ties the window to
  // this form from WM_NCCREATE on.
  HWND window = CreateWindowExW(params.exStyle, kFormClass, caption_.c_str(), params.style, CW_USEDEFAULT,
                                CW_USEDEFAULT, 800, 600, params.owner, nullptr, GetModuleHandleW(nullptr),
                                nullptr);
  if (!window) throw Error(L"The window cannot be created: " + SystemMessage(GetLastError()));
  SetPropW(window, kFormProperty, this);
  SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Form::StaticWndProc));
  handle_ = window;
  if (font_) SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

LRESULT CALLBACK Form::StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Form* form = FromWindow(window);
  if (!form) return DefWindowProcW(window, message, wParam, lParam);
  LRESULT result = 0;
  try {
    for (const MessageHook& hook : form->hooks_) hook(message, wParam, lParam);
  } catch (...) {
    Application::Instance().ReportCurrentException();
  }
  try {
    result = form->WndProc(message, wParam, lParam);
  } catch (...) {
    Application::Instance().ReportCurrentException();
  }
  if (message == WM_NCDESTROY) {
    RemovePropW(window, kFormProperty);
    form->handle_ = nullptr;
  }
  return result;
}

LRESULT Form::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(handle_, message, wParam, lParam);
}

LRESULT Form::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_QUERYENDSESSION:
      return FormCloseQuery() ? TRUE : FALSE;
    case WM_KEYDOWN:
      FormKeyDown(static_cast<WORD>(wParam));
      break;
    case WM_KEYUP:
      FormKeyUp(static_cast<WORD>(wParam));
      break;
    default:
      break;
  }
  return DefaultHandler(message, wParam, lParam);
}

void Form::PreviewKey(UINT message, WPARAM key) {
  if (!keyPreview_) return;
  if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) FormKeyDown(static_cast<WORD>(key));
  if (message == WM_KEYUP || message == WM_SYSKEYUP) FormKeyUp(static_cast<WORD>(key));
}

bool Form::DialogKey(WPARAM key) {
  if (key != VK_TAB || !handle_) return false;
  bool backwards = GetKeyState(VK_SHIFT) < 0;
  HWND focus = GetFocus();
  HWND next = GetNextDlgTabItem(handle_, focus && IsChild(handle_, focus) ? focus : nullptr, backwards);
  if (!next || next == focus) return false;
  SetFocus(next);
  return true;
}

void Form::Show() {
  CreateHandle();
  if (shown_ && IsWindowVisible(handle_)) return;
  shown_ = true;
  try {
    FormShow();
  } catch (...) {
    Application::Instance().ReportCurrentException();
  }
  if (!firstShowDone_) {
    firstShowDone_ = true;
    if (centreOnFirstShow_) CentreInWorkArea();
  }
  ShowWindow(handle_, SW_SHOW);
  UpdateWindow(handle_);
  try {
    FormShown();
  } catch (...) {
    Application::Instance().ReportCurrentException();
  }
}

void Form::Hide() {
  if (handle_) ShowWindow(handle_, SW_HIDE);
  shown_ = false;
}

bool Form::Visible() const { return handle_ && IsWindowVisible(handle_); }

void Form::Close() {
  if (!FormCloseQuery()) return;
  FormClose();
  if (Application::Instance().MainForm() == this)
    Application::Instance().Terminate();
  else
    Hide();
}

void Form::SetCaption(const std::wstring& caption) {
  caption_ = caption;
  if (handle_) SetWindowTextW(handle_, caption_.c_str());
}

void Form::ApplyStyle() {
  if (!handle_) return;
  DWORD keep = static_cast<DWORD>(GetWindowLongW(handle_, GWL_STYLE)) & (WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE | WS_DISABLED);
  SetWindowLongW(handle_, GWL_STYLE, static_cast<LONG>(StyleFor(borderStyle_) | keep));
  SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void Form::SetBorderStyle(BorderStyle style) {
  borderStyle_ = style;
  ApplyStyle();
}

void Form::SetStayOnTop(bool onTop) {
  stayOnTop_ = onTop;
  if (handle_)
    SetWindowPos(handle_, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Form::SetClientSize(int width, int height) {
  CreateHandle();
  RECT rect{0, 0, width, height};
  AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongW(handle_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(handle_, GWL_EXSTYLE)));
  SetWindowPos(handle_, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE Form::ClientSize() const {
  RECT rect{};
  if (handle_) GetClientRect(handle_, &rect);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

RECT Form::BoundsRect() const {
  RECT rect{};
  if (handle_) GetWindowRect(handle_, &rect);
  return rect;
}

void Form::SetBounds(int left, int top, int width, int height) {
  CreateHandle();
  SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetPosition(int left, int top) {
  CreateHandle();
  SetWindowPos(handle_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

WindowState Form::GetWindowState() const {
  if (handle_ && IsIconic(handle_)) return WindowState::Minimized;
  if (handle_ && IsZoomed(handle_)) return WindowState::Maximized;
  return WindowState::Normal;
}

void Form::SetFont(const wchar_t* face, int height) {
  if (font_) DeleteObject(font_);
  font_ = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
  if (handle_ && font_) SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

void Form::CentreInWorkArea() {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT bounds = BoundsRect();
  int width = bounds.right - bounds.left;
  int height = bounds.bottom - bounds.top;
  SetPosition(work.left + ((work.right - work.left) - width) / 2, work.top + ((work.bottom - work.top) - height) / 2);
}

}  // namespace dm
