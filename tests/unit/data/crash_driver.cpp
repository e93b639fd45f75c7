// Runs checking, saving and signing passes over the crash test's files until it is killed, or for a
// given number of rounds. Arguments: application-data folder, name of an event to set once the folder
// is prepared, rounds (0: endless).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "crash_files.h"
#include "data/player_data.h"
#include "ui/error.h"

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc != 4) {
    std::fputs("usage: data_crash_driver FOLDER READY_EVENT ROUNDS\n", stderr);
    return 2;
  }
  const std::wstring base = argv[1], eventName = argv[2];
  const long rounds = std::wcstol(argv[3], nullptr, 10);
  LocalFree(argv);
  try {
    dm::PlayerData data(nullptr, base);
    data.PreparePlayerDataFolder();
    if (HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName.c_str())) {
      SetEvent(ready);
      CloseHandle(ready);
    }
    for (long round = 0; rounds == 0 || round < rounds; ++round) {
      data.VerifyPlayerFiles();
      const int index = static_cast<int>(round % dm::test::kCrashFileCount);
      const std::string content = dm::test::CrashFileContent(index);
      data.SavePlayerFile(std::wstring(content.begin(), content.end()), dm::test::CrashFileName(index));
      data.signFiles();
    }
  } catch (const dm::Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
