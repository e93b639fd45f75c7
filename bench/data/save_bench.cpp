// A "data" save (SavePlayerFile, then signFiles) with 500 already-signed 4 KiB save files in the folder,
// beside the floor measured in the same run: list the folder, read and hash every file, one durable
// write. Runs under Wine; prints the medians and their ratio.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "data/md5.h"
#include "data/player_data.h"
#include "data/signing_passes.h"
#include "ui/error.h"

namespace {

constexpr int kFiles = 500;
constexpr int kRounds = 40;

std::string SaveContent(int index, int version) {
  std::string text = "<data id=\"";
  text.append(std::to_string(index)).append("\" v=\"").append(std::to_string(version)).append("\">\r\n");
  const std::string entry = "  <entry>" + std::string(50, static_cast<char>('a' + index % 26)) + "</entry>\r\n";
  while (text.size() < 4096 - 40) text += entry;
  return text.append("</data>\r\n");
}

void WriteWhole(const std::wstring& path, const std::string& bytes, bool durable) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw dm::Error(L"cannot write " + path);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  if (durable) FlushFileBuffers(file);
  CloseHandle(file);
}

std::string ReadWhole(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw dm::Error(L"cannot read " + path);
  LARGE_INTEGER size;
  GetFileSizeEx(file, &size);
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  return bytes;
}

// Everything a save must do at the least: find the files, read and hash each, write one file durably.
void Floor(const std::wstring& folder, const std::string& content) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"*.*").c_str(), &entry);
  std::uint8_t sink = 0;
  do {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::string bytes = ReadWhole(folder + entry.cFileName);
    sink ^= dm::md5({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()})[0];
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  const std::wstring temp = folder + L".floor.tmp";
  WriteWhole(temp, content + static_cast<char>('0' + sink % 10), true);
  MoveFileExW(temp.c_str(), (folder + L"..floor").c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  DeleteFileW((folder + L"..floor").c_str());
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Milliseconds(const std::function<void()>& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring base = std::wstring(temp) + L"dm-save-bench-" + std::to_wstring(GetCurrentProcessId());
  try {
    std::filesystem::create_directories(base);
    dm::PlayerData data(nullptr, base);
    data.PreparePlayerDataFolder();
    const std::wstring folder = data.PlayerDataFolder();
    dm::WindowsAnsiCodePage ansi;
    const dm::SaveFileText text(ansi);
    for (int i = 0; i < kFiles; ++i)
      WriteWhole(folder + L"save" + std::to_wstring(i), dm::SignedFileBytes(SaveContent(i, 0), text), false);
    data.signFiles();  // warm the caches

    std::vector<double> host, floor;
    for (int round = 1; round <= kRounds; ++round) {
      const std::string content = SaveContent(kFiles, round);
      const std::wstring command(content.begin(), content.end());
      host.push_back(Milliseconds([&] {
        data.SavePlayerFile(command, L"slot");
        data.signFiles();
      }));
      floor.push_back(Milliseconds([&] { Floor(folder, content); }));
    }
    const double hostMs = Median(host), floorMs = Median(floor);
    std::printf("data save, %d signed 4 KiB files: %.2f ms; floor (list, read and hash all, one durable write): "
                "%.2f ms; ratio %.2f (target <= 1.5)\n",
                kFiles, hostMs, floorMs, hostMs / floorMs);
  } catch (const dm::Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::error_code ignored;
  std::filesystem::remove_all(base, ignored);
  return 0;
}
