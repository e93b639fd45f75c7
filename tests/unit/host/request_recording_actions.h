#pragma once
// A RequestActions that records every call as one line of text, can make chosen actions fail, and can
// run a hook inside an action (to send a nested request, as movie code called from an action would).
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/request_actions.h"
#include "host/request_dispatcher.h"
#include "ui/error.h"

namespace dm::test {

class RecordingActions final : public RequestActions {
 public:
  std::vector<std::wstring> log;
  std::set<std::wstring> failing;                        // action names that throw dm::Error
  std::map<std::wstring, std::function<void()>> inside;  // run inside the named action, before it fails

  void SavePlayerFile(const std::wstring& commandText, const std::wstring& fileName) override {
    Record(L"SavePlayerFile", L"SavePlayerFile(" + fileName + L", " + commandText + L")");
  }
  void SignFiles() override { Record(L"SignFiles", L"SignFiles"); }
  void DeletePlayerFile(const std::wstring& fileName) override {
    Record(L"DeletePlayerFile", L"DeletePlayerFile(" + fileName + L")");
  }
  void VerifyPlayerFiles() override { Record(L"VerifyPlayerFiles", L"VerifyPlayerFiles"); }
  void ToggleScreenMode(const std::wstring& param) override {
    Record(L"ToggleScreenMode", L"ToggleScreenMode(" + param + L")");
  }
  void AllowClose() override { Record(L"AllowClose", L"AllowClose"); }
  void HideMainWindow() override { Record(L"HideMainWindow", L"HideMainWindow"); }
  void CloseMainWindow() override { Record(L"CloseMainWindow", L"CloseMainWindow"); }

 private:
  void Record(const std::wstring& action, std::wstring entry) {
    log.push_back(std::move(entry));
    if (auto hook = inside.find(action); hook != inside.end()) {
      auto run = hook->second;  // the hook may replace or remove itself
      run();
    }
    if (failing.count(action)) throw Error(action + L" failed");
  }
};

// Sends one request and returns the actions it ran.
inline std::vector<std::wstring> Send(RequestDispatcher& dispatcher, RecordingActions& actions,
                                      const std::wstring& request) {
  actions.log.clear();
  dispatcher.OnFlashCall(request);
  return actions.log;
}

}  // namespace dm::test
