#pragma once
// A top-level window with a virtual window procedure and the events the host's windows need:
// create, first and later shows, close negotiation, key preview, dialog keys.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace dm {

enum class BorderStyle { None, Single, Sizeable };
enum class WindowState { Normal, Minimized, Maximized };

struct WindowCreateParams {
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND owner = nullptr;
};

class Form {
 public:
  // Runs before the form's own processing of every message; used by components placed on the form
  // (the display service) that must react to moves and destruction.
  using MessageHook = std::function<void(UINT message, WPARAM wParam, LPARAM lParam)>;

  Form();
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  static Form* FromWindow(HWND window);

  // Creates the window (hidden); later calls do nothing.
  void CreateHandle();
  // Destroys the window now, while the derived form and its components can still take its last
  // messages; the destructor does it otherwise.
  void DestroyHandle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  HWND Handle() const { return handle_; }

  void Show();
  void Hide();
  bool Visible() const;
  // Asks FormCloseQuery; when allowed runs FormClose, then ends the application (main form) or hides.
  void Close();

  void SetCaption(const std::wstring& caption);
  void SetBorderStyle(BorderStyle style);
  BorderStyle GetBorderStyle() const { return borderStyle_; }
  // Border icons: system menu and minimize, never maximize (the host's windows are fixed-size).
  void SetStayOnTop(bool onTop);
  void SetClientSize(int width, int height);
  SIZE ClientSize() const;
  RECT BoundsRect() const;
  void SetBounds(int left, int top, int width, int height);
  void SetPosition(int left, int top);
  WindowState GetWindowState() const;
  void SetFont(const wchar_t* face, int height);
  void SetKeyPreview(bool on) { keyPreview_ = on; }
  // Centres the window in the work area of the primary screen after the first show's handler.
  void SetCentreOnFirstShow(bool on) { centreOnFirstShow_ = on; }
  void CentreInWorkArea();

  void AddMessageHook(MessageHook hook) { hooks_.push_back(std::move(hook)); }

  // Controls on the form offer their key messages here first when key preview is on.
  void PreviewKey(UINT message, WPARAM key);
  // Dialog keys (Tab) typed in the form; true when used for focus navigation.
  virtual bool DialogKey(WPARAM key);

 protected:
  virtual void CreateParams(WindowCreateParams& params);
  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);

  virtual void FormShow() {}
  // After the window has become visible (FormShow runs before, while it is still hidden).
  virtual void FormShown() {}
  virtual bool FormCloseQuery() { return true; }
  virtual void FormClose() {}
  virtual void FormKeyDown(WORD /*key*/) {}
  virtual void FormKeyUp(WORD /*key*/) {}

 private:
  static LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static DWORD StyleFor(BorderStyle style);
  void ApplyStyle();

  HWND handle_ = nullptr;
  std::wstring caption_;
  BorderStyle borderStyle_ = BorderStyle::Sizeable;
  bool stayOnTop_ = false;
  bool keyPreview_ = false;
  bool centreOnFirstShow_ = false;
  bool shown_ = false;
  bool firstShowDone_ = false;
  HFONT font_ = nullptr;
  std::vector<MessageHook> hooks_;
};

}  // namespace dm
