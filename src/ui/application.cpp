#include "ui/application.h"

#include "ui/error.h"
#include "ui/error_text.h"
#include "ui/form.h"

namespace dm {

Application& Application::Instance() {
  static Application application;
  return application;
}

HWND Application::Handle() {
  if (!handle_) {
    static const wchar_t* const kClass = L"DriftmarrowApplication";
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);
    handle_ = CreateWindowExW(0, kClass, title_.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  }
  return handle_;
}

int Application::Run() {
  if (mainForm_) mainForm_->Show();
  while (!terminated_ && ProcessMessage()) {
  }
  return 0;
}

void Application::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  PostQuitMessage(0);
}

bool Application::ProcessMessage() {
  MSG msg;
  if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
    terminated_ = true;
    return false;
  }
  bool handled = false;
  if (hook_) {
    try {
      handled = hook_(msg);
    } catch (...) {
      ReportCurrentException();
    }
  }
  if (!handled && !IsDialogKeyHandled(msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

// Dialog keys (Tab) typed anywhere in a form are offered to that form first, as focus navigation.
bool Application::IsDialogKeyHandled(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || !msg.hwnd) return false;
  Form* form = Form::FromWindow(GetAncestor(msg.hwnd, GA_ROOT));
  if (!form) return false;
  try {
    return form->DialogKey(msg.wParam);
  } catch (...) {
    ReportCurrentException();
    return true;
  }
}

void Application::ShowError(const std::wstring& message) {
  HWND owner = GetActiveWindow();
  if (!owner && mainForm_ && mainForm_->HandleAllocated() && IsWindowVisible(mainForm_->Handle()))
    owner = mainForm_->Handle();
  MessageBoxW(owner, ErrorReportText(message).c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}

void Application::ReportCurrentException() noexcept {
  try {
    try {
      throw;
    } catch (const std::exception& e) {
      ShowError(ExceptionText(e));
    } catch (...) {
      ShowError(L"Unknown error");
    }
  } catch (...) {
    // Reporting itself failed (no memory for the text); nothing sensible is left to do.
  }
}

std::wstring ExceptionText(const std::exception& e) {
  if (const auto* error = dynamic_cast<const Error*>(&e)) return error->Message();
  const char* what = e.what();
  int length = MultiByteToWideChar(CP_UTF8, 0, what, -1, nullptr, 0);
  std::wstring text(length > 0 ? length - 1 : 0, L'\0');
  if (length > 1) MultiByteToWideChar(CP_UTF8, 0, what, -1, text.data(), length);
  return text;
}

}  // namespace dm
