// The context-menu key while the host runs, pressed in another program's window on the same desktop.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/harness/host_process.h"
#include "tests/e2e/harness/other_program.h"

namespace dm::e2e {
namespace {

TEST(HotKey, TheContextMenuKeyDoesNothingInOtherPrograms) {
  HostOptions options;
  options.movie = GameMovie();
  HostProcess host(options);
  const HWND main = host.MainWindow().hwnd;
  // other_window's exit code: 1 when its focused window saw the key-down, 0 when not, 2 without the focus.
  auto press = [&](UINT key) {
    OtherProgram other(main, L"press " + std::to_wstring(key));
    return other.WaitForExit(20000);
  };
  EXPECT_EQ(press('B'), 1u) << "an ordinary key reaches the other program";
  EXPECT_EQ(press(VK_APPS), 0u);
}

}  // namespace
}  // namespace dm::e2e
