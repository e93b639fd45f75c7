#include "other_program.h"

#include <vector>

#include "tests/e2e/harness/host_process.h"
#include "ui/error.h"

namespace dm::e2e {
namespace {

struct WindowSearch {
  HWND window;
  bool found = false;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM search) {
  auto* s = reinterpret_cast<WindowSearch*>(search);
  s->found = window == s->window;
  return !s->found;
}

BOOL CALLBACK CollectDesktop(LPWSTR name, LPARAM names) {
  reinterpret_cast<std::vector<std::wstring>*>(names)->push_back(name);
  return TRUE;
}

std::wstring DesktopOf(HWND window) {
  std::vector<std::wstring> names;
  EnumDesktopsW(GetProcessWindowStation(), &CollectDesktop, reinterpret_cast<LPARAM>(&names));
  for (const std::wstring& name : names) {
    HDESK desktop = OpenDesktopW(name.c_str(), 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
    if (!desktop) continue;
    WindowSearch search{window};
    EnumDesktopWindows(desktop, &MatchWindow, reinterpret_cast<LPARAM>(&search));
    CloseDesktop(desktop);
    if (search.found) return name;
  }
  throw Error(L"No desktop holds the host's window.");
}

}  // namespace

OtherProgram::OtherProgram(HWND hostWindow, const std::wstring& arguments) {
  std::wstring desktop = DesktopOf(hostWindow);
  std::wstring commandLine = L"\"" + BuiltFile(DM_OTHER_WINDOW_EXE).wstring() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.lpDesktop = desktop.data();
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    throw Error(L"Cannot start " + commandLine);
  CloseHandle(process.hThread);
  process_ = process.hProcess;
}

OtherProgram::~OtherProgram() {
  if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

std::optional<DWORD> OtherProgram::WaitForExit(DWORD milliseconds) {
  if (WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

}  // namespace dm::e2e
