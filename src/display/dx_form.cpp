#include "display/dx_form.h"

#include "ui/application.h"

namespace dm {
namespace {

void SetToolWindowStyle(HWND window, bool on) {
  LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
  exStyle = on ? (exStyle | WS_EX_TOOLWINDOW) : (exStyle & ~static_cast<LONG>(WS_EX_TOOLWINDOW));
  SetWindowLongW(window, GWL_EXSTYLE, exStyle);
}

}  // namespace

int TDXForm::liveInstances_ = 0;

TDXForm::TDXForm() {
  ++liveInstances_;
  SetToolWindowStyle(Application::Instance().Handle(), true);
}

TDXForm::~TDXForm() {
  if (--liveInstances_ == 0) SetToolWindowStyle(Application::Instance().Handle(), false);
}

void TDXForm::CreateParams(WindowCreateParams& params) {
  Form::CreateParams(params);
  params.exStyle |= WS_EX_APPWINDOW;
}

LRESULT TDXForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SYSCOMMAND && wParam == SC_MINIMIZE) {
    LRESULT result = DefaultHandler(message, wParam, lParam);
    if (!IsIconic(Handle())) ShowWindow(Handle(), SW_MINIMIZE);
    return result;
  }
  return Form::WndProc(message, wParam, lParam);
}

void TDXForm::StoreWindowPlacement() {
  placement_.length = sizeof(WINDOWPLACEMENT);
  placementStored_ = HandleAllocated() && GetWindowPlacement(Handle(), &placement_);
}

void TDXForm::RestoreWindowPlacement() {
  if (!placementStored_) return;
  SetWindowPlacement(Handle(), &placement_);
  placementStored_ = false;
}

}  // namespace dm
