#pragma once
// The operations movie requests are dispatched to. The main window implements them; the dispatcher knows
// nothing of files or screens. Each reports failure by throwing. Portable: no Windows headers.
#include <string>

namespace dm {

class RequestActions {
 public:
  // Writes the command text to the named save file. Problems building the path or creating its folder
  // are the implementation's to ignore; it throws only when the file was not written.
  virtual void SavePlayerFile(const std::wstring& commandText, const std::wstring& fileName) = 0;
  virtual void SignFiles() = 0;
  virtual void DeletePlayerFile(const std::wstring& fileName) = 0;
  virtual void VerifyPlayerFiles() = 0;
  virtual void ToggleScreenMode(const std::wstring& param) = 0;
  // The end of a run, in the order "exit" uses them.
  virtual void AllowClose() = 0;
  virtual void HideMainWindow() = 0;
  virtual void CloseMainWindow() = 0;

 protected:
  ~RequestActions() = default;
};

}  // namespace dm
