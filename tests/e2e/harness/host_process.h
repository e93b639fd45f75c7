#pragma once
// End-to-end harness: runs the real Driftmarrow.exe under Wine with the stand-in Flash control and
// talks to the stand-in through its test channel (a named pipe per run).
//
// Each HostProcess gets a fresh temporary app folder (Driftmarrow.exe plus, if given, the movie as
// "Driftmarrow.swf"), its own application-data folder, its own channel and its own Wine virtual
// desktop, so tests run in parallel without meeting each other. The destructor always terminates
// the host and the desktop it started and removes the temporary folders, also when a test failed.
//
//   dm::e2e::HostOptions options;
//   options.movie = dm::e2e::GameMovie();
//   dm::e2e::HostProcess host(options);                 // waits until the control exists
//   dm::e2e::MovieCall setAppPath = host.WaitForCall(L"setAppPath");
//   host.SendRequest(L"anyName", L"<data fileName=\"a\">hello</data>");
//   host.Close();                                       // WM_CLOSE to the main window
//   host.WaitForCall(L"externalExit");                  // GameMovie answers with <exit/>
//   EXPECT_EQ(host.WaitForExit(), 0u);
//
// Every wait throws dm::Error (with what was seen so far) when its timeout passes, so a test that
// does not catch it fails with a readable message. Text is UTF-16 (std::wstring) throughout.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/error.h"

namespace dm::e2e {

using Timeout = std::chrono::milliseconds;
// Generous: two cores, several Wine processes per test, tests in parallel.
inline constexpr Timeout kDefaultTimeout{20000};

struct HostOptions {
  // Size of the Wine virtual desktop the host runs in (the "screen" the host sees).
  int desktopWidth = 1280;
  int desktopHeight = 1024;
  // Content copied to the app folder as "Driftmarrow.swf": a movie script (see standin/README.md),
  // or bytes starting with "FWS"/"CWS"/"ZWS" for a real-looking SWF. nullopt: no movie file at all.
  std::optional<std::string> movie;
  // Files put into the player data folder (AppData\Wendrake\Driftmarrow\) before the host starts:
  // file name and exact bytes.
  std::vector<std::pair<std::wstring, std::string>> dataFiles;
  // Name of the run's application-data folder inside its temporary root: the data folder's path
  // can carry characters that need care on their way to the movie.
  std::wstring appDataName = L"appdata";
  // Wait in the constructor until the stand-in control has been created and has connected. Turn
  // off for runs where the host is expected not to get that far; WaitForExit still works.
  bool waitForControl = true;
  Timeout startTimeout = kDefaultTimeout;
};

// One CallFunction the movie received from the host.
struct MovieCall {
  std::size_t sequence = 0;  // position in the stand-in's log, comparable across all record kinds
  std::wstring text;         // the call text exactly as the host passed it
  std::wstring name;         // the invoke name ("" when the text could not be read)
  std::wstring argument;     // the first argument's string, unescaped (e.g. "pause" with its quotes)
  bool succeeded = false;    // false: the control failed the call (unregistered callback, bad text)
  std::wstring answer;       // what CallFunction returned, or the error description when it failed
};

// A window message the stand-in's control window received (after the host's filter let it pass).
struct ControlMessage {
  std::size_t sequence = 0;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// An event the control fired into the host: FlashCall (dispid 197) with its request XML,
// OnReadyStateChange (-609), OnProgress (1958), FSCommand (150).
struct FiredEvent {
  std::size_t sequence = 0;
  long dispid = 0;
  std::wstring name;      // "FlashCall", "OnReadyStateChange", "OnProgress", "FSCommand"
  std::wstring argument;  // request XML for FlashCall; the number or command as text for the others
  HRESULT result = S_OK;  // what the host's sink returned (S_OK also when nobody was connected)
  bool delivered = false; // false: no sink was connected
};

// A Movie property load.
struct MovieLoad {
  std::size_t sequence = 0;
  std::wstring path;  // as the host set it
  std::wstring kind;  // "script", "swf" (real SWF: shows the note), "unreadable", "invalid" (bad script)
  std::wstring detail;
};

// Facts about the host's top-level window (GetAncestor(control window, GA_ROOT)), read inside the host.
struct WindowFacts {
  HWND hwnd = nullptr;
  RECT windowRect{};  // screen coordinates
  RECT clientRect{};  // GetClientRect
  DWORD style = 0;
  DWORD exStyle = 0;
  bool visible = false;
  bool iconic = false;
  bool foreground = false;  // GetForegroundWindow() == hwnd, as the host's desktop sees it
  int screenWidth = 0;      // GetSystemMetrics(SM_CXSCREEN) inside the host (follows display changes)
  int screenHeight = 0;
  std::wstring caption;
  HWND controlHwnd = nullptr;  // the stand-in's own window
};

class HostProcess {
 public:
  // Starts the host; throws dm::Error when it cannot be started or (with waitForControl) the
  // control does not connect within startTimeout.
  explicit HostProcess(HostOptions options = {});
  ~HostProcess();
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;

  // ---- folders (Windows paths, as the host sees them)
  const std::filesystem::path& AppFolder() const;
  // The per-run application-data folder (what CSIDL_APPDATA gives the host).
  const std::filesystem::path& AppDataFolder() const;
  // AppDataFolder() + "Wendrake\Driftmarrow\".
  std::filesystem::path PlayerDataFolder() const;
  // Exact bytes of a file in the player data folder; nullopt when it does not exist.
  std::optional<std::string> ReadDataFile(std::wstring_view name) const;
  // Names of the files in the player data folder, sorted.
  std::vector<std::wstring> DataFileNames() const;

  // ---- the movie talks to the host
  // The movie calls FUNCTION with one string argument; the stand-in fires FlashCall with the
  // request XML wrapped and escaped as the real control does. Returns once the event has been
  // fired and the host's handler returned.
  FiredEvent SendRequest(std::wstring_view function, std::wstring_view argument);
  // Fires FlashCall with this exact request XML (for malformed requests).
  FiredEvent SendRawRequest(std::wstring_view requestXml);
  // Adds or replaces callbacks of the running movie: a fragment of movie script, e.g.
  // L"callback externalPause\n  fail busy\n". Callbacks it names are registered.
  void ChangeMovie(std::wstring_view scriptFragment);
  // The movie withdraws a callback: later calls of it fail.
  void UnregisterCallback(std::wstring_view name);

  // ---- what the movie received (consuming waits: each record is handed out once per kind of wait)
  std::vector<MovieCall> Calls() const;
  // How many calls of NAME the movie has received so far.
  std::size_t CallCount(std::wstring_view name) const;
  // The next call of NAME not yet returned by WaitForCall.
  MovieCall WaitForCall(std::wstring_view name, Timeout timeout = kDefaultTimeout);
  // Throws when a call of NAME beyond those already returned arrives within `period`.
  void ExpectNoCall(std::wstring_view name, Timeout period);
  std::vector<ControlMessage> Messages() const;
  // The next control-window message MESSAGE not yet returned by WaitForMessage.
  ControlMessage WaitForMessage(UINT message, Timeout timeout = kDefaultTimeout);
  std::vector<FiredEvent> Events() const;
  std::vector<MovieLoad> MovieLoads() const;
  MovieLoad WaitForMovieLoad(Timeout timeout = kDefaultTimeout);

  // ---- the host's windows (carried out on the host's UI thread by the stand-in)
  WindowFacts MainWindow(Timeout timeout = kDefaultTimeout);
  void PostToMainWindow(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendToMainWindow(UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                           Timeout timeout = kDefaultTimeout);
  void PostToControl(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendToControl(UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                        Timeout timeout = kDefaultTimeout);
  // Posts WM_CLOSE to the main window.
  void Close();
  // Sends WM_QUERYENDSESSION to the main window and returns its answer (TRUE: may end).
  LRESULT QueryEndSession(Timeout timeout = kDefaultTimeout);

  // ---- the process
  DWORD ProcessId() const;  // 0 until known
  // The host's exit code once it has ended; nullopt when it still runs after `timeout`.
  std::optional<DWORD> WaitForExit(Timeout timeout = kDefaultTimeout);
  bool HasExited();
  // Ends the host and its desktop at once (the destructor does this too).
  void Kill();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A movie script that behaves like the game towards the host: registers every callback the host
// calls (setAppPath, externalExit, externalPause, externalUnPause, externalEscape, checkFullScreen,
// rightclick), answers each with nothing, and answers externalExit by sending <exit/> inside the call.
std::string GameMovie();
// Options for a run of the host with GameMovie().
HostOptions GameMovieOptions();

// A file of this build as programs under Wine reach it: a Unix path goes through the Z: drive.
std::filesystem::path BuiltFile(std::string_view path);

}  // namespace dm::e2e
