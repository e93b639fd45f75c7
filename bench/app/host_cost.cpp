// Start-up time to the first visible window, peak working set and CPU time over idle seconds of
// Driftmarrow.exe, beside a minimal program that only shows the same control with the same movie.
// Usage: host_cost <Driftmarrow.exe> <minimal_control_host.exe> <movie> [idle seconds]
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

namespace {

struct Cost {
  double startMs = -1;
  double peakWorkingSetMiB = 0;
  double idleCpuMs = 0;
};

struct WindowSearch {
  DWORD processId;
  bool found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window)) {
    search->found = true;
    return FALSE;
  }
  return TRUE;
}

double CpuMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  auto value = [](FILETIME t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(value(kernel) + value(user)) / 10000.0;
}

Cost Measure(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder, int idleSeconds) {
  Cost cost;
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  LARGE_INTEGER frequency, begin, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&begin);
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process))
    return cost;
  WindowSearch search{process.dwProcessId, false};
  for (int i = 0; i < 3000 && !search.found; ++i) {
    EnumWindows(&FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(2);
  }
  QueryPerformanceCounter(&now);
  if (search.found) cost.startMs = 1000.0 * static_cast<double>(now.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart);
  double cpuBefore = CpuMs(process.hProcess);
  Sleep(static_cast<DWORD>(idleSeconds) * 1000);
  cost.idleCpuMs = CpuMs(process.hProcess) - cpuBefore;
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof(memory);
  if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof(memory)))
    cost.peakWorkingSetMiB = static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0);
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 5000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return cost;
}

double Ratio(double value, double baseline) { return baseline > 0 ? value / baseline : 0; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fwprintf(stderr, L"usage: host_cost <Driftmarrow.exe> <minimal_control_host.exe> <movie> [idle seconds]\n");
    return 2;
  }
  int idleSeconds = argc > 4 ? _wtoi(argv[4]) : 30;
  std::wstring host = argv[1];
  std::wstring folder = host.substr(0, host.find_last_of(L"\\/"));
  Cost hostCost = Measure(host, L"", folder, idleSeconds);
  Cost minimalCost = Measure(argv[2], L"\"" + std::wstring(argv[3]) + L"\"", L"", idleSeconds);
  std::printf("%-34s %12s %12s %8s\n", "host cost", "host", "minimal", "ratio");
  std::printf("%-34s %12.1f %12.1f %8.2f\n", "start-up to first show (ms)", hostCost.startMs, minimalCost.startMs,
              Ratio(hostCost.startMs, minimalCost.startMs));
  std::printf("%-34s %12.1f %12.1f %8.2f\n", "peak working set (MiB)", hostCost.peakWorkingSetMiB,
              minimalCost.peakWorkingSetMiB, Ratio(hostCost.peakWorkingSetMiB, minimalCost.peakWorkingSetMiB));
  char label[64];
  std::snprintf(label, sizeof(label), "CPU over %d idle s (ms)", idleSeconds);
  std::printf("%-34s %12.1f %12.1f %8.2f\n", label, hostCost.idleCpuMs, minimalCost.idleCpuMs,
              Ratio(hostCost.idleCpuMs, minimalCost.idleCpuMs));
  return 0;
}
