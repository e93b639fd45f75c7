// The floor the host is measured against: a window with the Flash control and the movie, nothing else.
#include <ole2.h>
#include <windows.h>

#include "flash/shockwave_flash.h"
#include "ui/application.h"
#include "ui/form.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  if (FAILED(OleInitialize(nullptr))) return 1;
  int code = 0;
  try {
    dm::Form window;
    window.SetCaption(L"Minimal control host");
    window.SetBorderStyle(dm::BorderStyle::Single);
    window.CreateHandle();
    window.SetClientSize(1024, 768);
    dm::TShockwaveFlash flash;
    flash.CreateWindowIn(window.Handle(), RECT{0, 0, 1024, 768});
    if (commandLine && *commandLine) flash.SetMovie(commandLine);
    dm::Application::Instance().SetMainForm(&window);
    code = dm::Application::Instance().Run();
  } catch (...) {
    code = 1;
  }
  OleUninitialize();
  return code;
}
