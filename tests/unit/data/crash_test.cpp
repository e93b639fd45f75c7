// Kills a process that runs save and signing passes at random moments: after every kill each file must
// hold exactly its old or its new bytes, and a restart must leave every file signed and nothing else.
// DM_CRASH_KILLS sets the number of kills (default 200).
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <set>

#include "crash_files.h"
#include "data/signing_passes.h"
#include "data/windows_code_page.h"
#include "temp_folder.h"
#include "ui/error.h"

namespace dm {
namespace {

struct HandleCloser {
  void operator()(HANDLE h) const noexcept { CloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

std::wstring DriverPath() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"data_crash_driver.exe";
}

class Driver {
 public:
  Driver(const std::wstring& base, long rounds) {
    const std::wstring eventName = L"dm-crash-ready-" + std::to_wstring(GetCurrentProcessId());
    ready_.reset(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
    std::wstring commandLine =
        L"\"" + DriverPath() + L"\" \"" + base + L"\" " + eventName + L" " + std::to_wstring(rounds);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
      throw Error(L"cannot start the crash driver");
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
  }
  bool WaitReady() { return WaitForSingleObject(ready_.get(), 20000) == WAIT_OBJECT_0; }
  void Kill() { TerminateProcess(process_.get(), 9); }
  DWORD Wait() {
    WaitForSingleObject(process_.get(), 60000);
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
  }

 private:
  Handle ready_, process_;
};

TEST(SaveFolderCrash, EveryKillLeavesOldOrNewBytesAndARestartConverges) {
  const char* configured = std::getenv("DM_CRASH_KILLS");
  const int kills = configured ? std::atoi(configured) : 200;
  test::TempFolder temp;
  const std::wstring folder = temp.Path() + L"\\Wendrake\\Driftmarrow\\";
  std::filesystem::create_directories(folder);

  WindowsAnsiCodePage ansi;
  SaveFileText text(ansi);
  std::vector<std::string> unsignedBytes, signedBytes;
  std::set<std::wstring> names;
  for (int i = 0; i < test::kCrashFileCount; ++i) {
    unsignedBytes.push_back(test::CrashFileContent(i));
    signedBytes.push_back(SignedFileBytes(unsignedBytes.back(), text));
    names.insert(test::CrashFileName(i));
    test::WriteBytes(folder + test::CrashFileName(i), unsignedBytes.back());
  }
  auto checkFiles = [&](int kill) {
    std::set<std::wstring> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      if (!entry.is_directory()) found.insert(entry.path().filename().wstring());
    ASSERT_EQ(found, names) << "after kill " << kill;
    for (int i = 0; i < test::kCrashFileCount; ++i) {
      const std::string bytes = test::ReadBytes(folder + test::CrashFileName(i));
      ASSERT_TRUE(bytes == unsignedBytes[i] || bytes == signedBytes[i])
          << "file " << i << " holds " << bytes.size() << " bytes after kill " << kill;
    }
  };

  // One timed round sets the range of the random moments.
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Driver(temp.Path(), 1).Wait(), 0u);
  const auto round = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  const int longestDelay = static_cast<int>(std::max<long long>(round.count() * 2, 20));

  std::mt19937 random(std::random_device{}());
  for (int kill = 1; kill <= kills; ++kill) {
    Driver driver(temp.Path(), 0);
    ASSERT_TRUE(driver.WaitReady());
    Sleep(std::uniform_int_distribution<int>(0, longestDelay)(random));
    driver.Kill();
    driver.Wait();
    checkFiles(kill);
    if (HasFatalFailure()) return;
  }

  ASSERT_EQ(Driver(temp.Path(), 1).Wait(), 0u);
  checkFiles(kills + 1);
  EXPECT_FALSE(test::Exists(folder + L".pending")) << "a restart must clean up what the kills left";
  for (int i = 0; i < test::kCrashFileCount; ++i)
    EXPECT_EQ(test::ReadBytes(folder + test::CrashFileName(i)), signedBytes[i]) << i;
  std::printf("%d kills, random moments up to %d ms (one round took %lld ms)\n", kills, longestDelay,
              static_cast<long long>(round.count()));
}

}  // namespace
}  // namespace dm
