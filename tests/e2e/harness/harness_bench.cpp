// Prints what an end-to-end run costs: starting the host until its control connects (beside
// starting a bare Wine process), a command carried out on the host's UI thread, and a movie
// request handled by the host. Figures only; nothing is asserted.
#include <windows.h>

#include <chrono>
#include <cstdio>

#include "host_process.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

double StartBareProcess() {
  wchar_t commandLine[] = L"cmd.exe /c exit";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const auto start = Clock::now();
  if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process))
    return -1;
  WaitForSingleObject(process.hProcess, INFINITE);
  const double elapsed = Milliseconds(Clock::now() - start);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return elapsed;
}

}  // namespace

int main() {
  constexpr int kRuns = 5;
  constexpr int kRoundTrips = 200;
  double bare = 0, start = 0, query = 0, request = 0;
  try {
    for (int run = 0; run < kRuns; ++run) {
      bare += StartBareProcess();
      dm::e2e::HostOptions options;
      options.movie = dm::e2e::GameMovie();
      auto began = Clock::now();
      dm::e2e::HostProcess host(options);
      start += Milliseconds(Clock::now() - began);
      host.WaitForCall(L"setAppPath");
      began = Clock::now();
      for (int i = 0; i < kRoundTrips; ++i) host.MainWindow();
      query += Milliseconds(Clock::now() - began) / kRoundTrips;
      began = Clock::now();
      for (int i = 0; i < kRoundTrips; ++i) host.SendRequest(L"bench", L"<music level=\"1\"/>");
      request += Milliseconds(Clock::now() - began) / kRoundTrips;
    }
  } catch (const dm::Error& error) {
    std::printf("failed: %s\n", error.what());
    return 1;
  }
  std::printf("%-52s %10s %10s %7s\n", "figure (mean of 5 runs)", "ms", "baseline", "ratio");
  std::printf("%-52s %10.1f %10.1f %7.1f\n", "host start until the control connects / bare process", start / kRuns,
              bare / kRuns, start / bare);
  std::printf("%-52s %10.3f %10s %7s\n", "window query on the host's UI thread", query / kRuns, "-", "-");
  std::printf("%-52s %10.3f %10.3f %7.1f\n", "movie request through the host / window query", request / kRuns,
              query / kRuns, request / query);
  return 0;
}
