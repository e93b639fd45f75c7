#pragma once
// The save files of the crash test, shared by the driver that is killed and the test that checks.
#include <string>

namespace dm::test {

inline constexpr int kCrashFileCount = 50;

inline std::wstring CrashFileName(int index) { return L"save" + std::to_wstring(index); }

// Unsigned content of mixed sizes, from one line to about 120 KiB.
inline std::string CrashFileContent(int index) {
  static constexpr int kLineCounts[] = {1, 3, 20, 100, 500, 2000};
  const int lines = kLineCounts[index % 6];
  std::string text = "<data id=\"" + std::to_string(index) + "\">\r\n";
  for (int i = 1; i < lines; ++i)
    text += "  <entry n=\"" + std::to_string(i) + "\">" + std::string(40 + (i * 7 + index) % 20, 'a' + index % 26) +
            "</entry>\r\n";
  return text;
}

}  // namespace dm::test
