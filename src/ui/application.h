#pragma once
// The application object: title, main form, the message loop with its application-wide message hook,
// and the standard error report.
#include <windows.h>

#include <exception>
#include <functional>
#include <string>

namespace dm {

class Form;

class Application {
 public:
  // Sees each message the loop takes from the queue before translation and dispatch; true means
  // handled: the message is neither translated nor dispatched.
  using MessageHook = std::function<bool(MSG&)>;

  static Application& Instance();

  void SetTitle(std::wstring title) { title_ = std::move(title); }
  const std::wstring& Title() const { return title_; }

  void SetMainForm(Form* form) { mainForm_ = form; }
  Form* MainForm() const { return mainForm_; }

  // The hidden application window: owner for shell calls and for the forms' taskbar handling.
  HWND Handle();

  // Replaces any earlier hook.
  void SetMessageHook(MessageHook hook) { hook_ = std::move(hook); }

  // Shows the main form and runs the loop until Terminate(); returns the exit code.
  int Run();
  void Terminate();
  bool Terminated() const { return terminated_; }

  // Takes, translates and dispatches one message; false once WM_QUIT arrives.
  bool ProcessMessage();

  // The standard error report: a message box with the error's text, a full stop appended when its last
  // character sorts after ".", captioned with the title and the error icon. The program goes on.
  void ShowError(const std::wstring& message);
  // Reports the exception being handled; for catch (...) blocks at callback boundaries. Never throws.
  void ReportCurrentException() noexcept;

 private:
  Application() = default;
  bool IsDialogKeyHandled(const MSG& msg);

  std::wstring title_;
  Form* mainForm_ = nullptr;
  MessageHook hook_;
  HWND handle_ = nullptr;
  bool terminated_ = false;
};

// The text of any exception: dm::Error's wide message, or what() of others.
std::wstring ExceptionText(const std::exception& e);

}  // namespace dm
