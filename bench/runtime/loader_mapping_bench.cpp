// Mapping a 20 MB module with the in-memory loader, beside the system's LoadLibrary of the same file,
// measured in the same run. Both relocate: the module's preferred base is the executable's own.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "flash/runtime/code_provider.h"
#include "flash/runtime/dll_loader.h"

namespace {

constexpr int kRounds = 15;

double MedianMilliseconds(const std::function<void()>& work) {
  std::vector<double> times;
  work();  // warm-up: file cache and first-touch costs
  for (int i = 0; i < kRounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

std::wstring BesideThisProgram(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.rfind(L'\\') + 1) + name;
}

// One read of the whole file, as the system-installed code provider does it.
std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
    bytes.clear();
  CloseHandle(file);
  return bytes;
}

// Registers the large module as the Flash Player control, for the provider's own file path.
class LargeModuleRegistered final : public dm::ClassesRootReader {
 public:
  explicit LargeModuleRegistered(std::wstring path) : path_(std::move(path)) {}
  LSTATUS ReadDefaultValue(const wchar_t*, BYTE* buffer, DWORD& size) const override {
    const DWORD needed = static_cast<DWORD>((path_.size() + 1) * sizeof(wchar_t));
    if (needed > size) return ERROR_MORE_DATA;
    std::memcpy(buffer, path_.c_str(), needed);
    size = needed;
    return ERROR_SUCCESS;
  }

 private:
  std::wstring path_;
};

}  // namespace

int main() {
  const std::wstring path = BesideThisProgram(L"large_image_fixture.dll");
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  if (bytes.empty()) {
    std::fprintf(stderr, "large_image_fixture.dll not found beside the benchmark\n");
    return 1;
  }

  const double mapped = MedianMilliseconds([&] {
    const dm::TDLLLoader loader(bytes);
    if (!loader.FindExport("LargeFixtureValue")) std::abort();
  });
  const LargeModuleRegistered registry(path);
  const double fromFile = MedianMilliseconds([&] {
    const dm::TFlashOCXCodeProviderBasedOnSystemInstalledOCX provider(dm::SystemModules(), registry);
    if (!provider.Loader()) std::abort();
  });
  const double touched = MedianMilliseconds([&] {
    void* memory = VirtualAlloc(nullptr, bytes.size(), MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE);
    std::memcpy(memory, bytes.data(), bytes.size());
    VirtualFree(memory, 0, MEM_RELEASE);
  });
  const double systemLoaded = MedianMilliseconds([&] {
    const HMODULE module = LoadLibraryW(path.c_str());
    if (!module || !GetProcAddress(module, "LargeFixtureValue")) std::abort();
    FreeLibrary(module);
  });

  std::printf("module: %zu bytes; median of %d rounds, map + unmap\n", bytes.size(), kRounds);
  std::printf("%-34s %10s %10s %8s\n", "figure", "ms", "baseline", "ratio");
  std::printf("%-34s %10.2f %10.2f %8.2f\n", "TDLLLoader from memory", mapped, systemLoaded, mapped / systemLoaded);
  std::printf("%-34s %10.2f %10.2f %8.2f\n", "installed-runtime provider (file)", fromFile, systemLoaded,
              fromFile / systemLoaded);
  std::printf("%-34s %10.2f %10.2f %8.2f\n", "floor: allocate + copy 20 MB", touched, systemLoaded,
              touched / systemLoaded);
  std::printf("(baseline: LoadLibraryW + FreeLibrary of the same file; target ratio <= 1.5)\n");
  return 0;
}
