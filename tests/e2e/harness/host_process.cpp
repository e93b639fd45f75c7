#include "host_process.h"

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "standin/invoke_xml.h"
#include "standin_channel.h"

namespace dm::e2e {

using standin::Record;
using namespace std::chrono_literals;

namespace {

// The Wine prefix's AppData entry reads this variable, so each run can have its own folder.
constexpr wchar_t kAppDataVariable[] = L"DM_APPDATA";
constexpr wchar_t kShellFoldersKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

struct HandleCloser {
  void operator()(HANDLE handle) const noexcept {
    if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

std::wstring RegistryText(HKEY root, const wchar_t* key, const wchar_t* name) {
  wchar_t value[1024];
  DWORD size = sizeof value;
  if (RegGetValueW(root, key, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value, &size) !=
      ERROR_SUCCESS)
    return {};
  return value;
}

// scripts/setup points the prefix's AppData at %DM_APPDATA%; without that every run would share
// the prefix user's folder.
void RequireAppDataRedirect() {
  const std::wstring wanted = L"%" + std::wstring(kAppDataVariable) + L"%";
  if (RegistryText(HKEY_CURRENT_USER, kShellFoldersKey, L"AppData") != wanted)
    throw Error(L"The Wine prefix does not give each run its own AppData folder: run scripts/setup.");
}

std::filesystem::path HostExecutable() { return BuiltFile(DM_DRIFTMARROW_EXE); }

std::filesystem::path NewTempRoot() {
  static std::atomic<unsigned> counter{0};
  wchar_t temp[MAX_PATH];
  if (!GetTempPathW(MAX_PATH, temp)) throw Error(L"No temporary folder.");
  std::filesystem::path root = std::filesystem::path(temp) / (L"dm-e2e-" + std::to_wstring(GetCurrentProcessId()) +
                                                              L"-" + std::to_wstring(++counter) + L"-" +
                                                              std::to_wstring(GetTickCount()));
  std::filesystem::create_directories(root);
  return root;
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw Error(L"Cannot write " + path.wstring());
}

// This process's environment with the given variables replaced, as a CreateProcess block.
std::wstring EnvironmentWith(const std::vector<std::pair<std::wstring, std::wstring>>& variables) {
  std::wstring block;
  wchar_t* strings = GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; entry && *entry; entry += std::wcslen(entry) + 1) {
    const std::wstring_view text(entry);
    const bool replaced = std::any_of(variables.begin(), variables.end(), [&](const auto& variable) {
      return text.size() > variable.first.size() && text[variable.first.size()] == L'=' &&
             CompareStringOrdinal(text.data(), static_cast<int>(variable.first.size()), variable.first.data(),
                                  static_cast<int>(variable.first.size()), TRUE) == CSTR_EQUAL;
    });
    if (!replaced) block.append(text).push_back(L'\0');
  }
  if (strings) FreeEnvironmentStringsW(strings);
  for (const auto& [name, value] : variables) block.append(name).append(L"=").append(value).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

long long Number(const std::wstring& field) { return standin::ParseNumberField(field); }

HRESULT HexResult(const std::wstring& field) {
  return static_cast<HRESULT>(std::wcstoul(field.c_str(), nullptr, 16));
}

const std::wstring& Field(const Record& record, std::size_t index) {
  if (index >= record.size()) throw Error(L"A stand-in record of kind " + record[0] + L" is too short.");
  return record[index];
}

MovieCall ToCall(std::size_t sequence, const Record& r) {
  return MovieCall{sequence, Field(r, 1), Field(r, 2), Field(r, 3), Field(r, 4) == L"ok", Field(r, 5)};
}

ControlMessage ToMessage(std::size_t sequence, const Record& r) {
  return ControlMessage{sequence, static_cast<UINT>(Number(Field(r, 1))), static_cast<WPARAM>(Number(Field(r, 2))),
                        static_cast<LPARAM>(Number(Field(r, 3)))};
}

FiredEvent ToEvent(std::size_t sequence, const Record& r) {
  return FiredEvent{sequence, static_cast<long>(Number(Field(r, 1))), Field(r, 2), Field(r, 3), HexResult(Field(r, 4)),
                    Field(r, 5) == L"1"};
}

MovieLoad ToLoad(std::size_t sequence, const Record& r) {
  return MovieLoad{sequence, Field(r, 1), Field(r, 2), Field(r, 3)};
}

std::wstring Describe(const std::vector<MovieCall>& calls) {
  std::wstring text = L" Calls so far:";
  for (const MovieCall& call : calls) text += L" " + (call.name.empty() ? call.text : call.name);
  return calls.empty() ? L" No calls so far." : text;
}

}  // namespace

struct HostProcess::State {
  HostOptions options;
  std::filesystem::path root, appFolder, appDataFolder;
  StandinChannel channel;
  UniqueHandle explorer;
  DWORD explorerId = 0;
  UniqueHandle host;
  DWORD hostId = 0;
  std::set<std::size_t> consumedCalls, consumedMessages, consumedLoads;

  ~State() {
    KillAll();
    std::error_code ignored;
    for (int attempt = 0; attempt < 20 && std::filesystem::exists(root, ignored); ++attempt) {
      std::filesystem::remove_all(root, ignored);
      if (ignored) std::this_thread::sleep_for(100ms);
    }
  }

  // The host's process: from the stand-in's greeting, or else as the child the desktop started.
  bool FindHost() {
    if (host) return true;
    DWORD id = 0;
    if (auto hello = channel.Find([](const Record& r) { return r[0] == L"hello" && r.size() > 1; }, 0))
      id = static_cast<DWORD>(Number(channel.At(*hello)[1]));
    if (!id && explorerId) {
      UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
      PROCESSENTRY32W entry{};
      entry.dwSize = sizeof entry;
      for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (entry.th32ParentProcessID == explorerId && _wcsicmp(entry.szExeFile, L"Driftmarrow.exe") == 0)
          id = entry.th32ProcessID;
    }
    if (!id) return false;
    host.reset(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, id));
    if (!host) return false;
    hostId = id;
    return true;
  }

  void KillAll() {
    FindHost();
    for (HANDLE process : {host.get(), explorer.get()}) {
      if (!process || WaitForSingleObject(process, 0) == WAIT_OBJECT_0) continue;
      TerminateProcess(process, 1);
      WaitForSingleObject(process, 5000);
    }
  }

  template <class T>
  std::vector<T> Collect(const wchar_t* kind, T (*convert)(std::size_t, const Record&)) const {
    std::vector<T> out;
    const auto records = channel.Records();
    for (std::size_t i = 0; i < records.size(); ++i)
      if (records[i][0] == kind) out.push_back(convert(i, records[i]));
    return out;
  }

  // The first record of `kind` that matches and is not in `consumed`; it is consumed.
  std::optional<std::size_t> Take(const wchar_t* kind, const std::function<bool(const Record&)>& match,
                                   std::set<std::size_t>& consumed, Timeout timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto wanted = [&](const Record& record) { return record[0] == kind && match(record); };
    for (std::size_t from = 0;;) {
      const auto left = std::chrono::duration_cast<Timeout>(deadline - std::chrono::steady_clock::now());
      const auto found = channel.WaitFor(wanted, from, std::max(left, Timeout::zero()));
      if (!found) return std::nullopt;
      if (consumed.insert(*found).second) return found;
      from = *found + 1;
    }
  }
};

HostProcess::HostProcess(HostOptions options) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.options = std::move(options);
  RequireAppDataRedirect();
  s.root = NewTempRoot();
  s.appFolder = s.root / L"app";
  s.appDataFolder = s.root / s.options.appDataName;
  std::filesystem::create_directories(s.appFolder);
  std::filesystem::create_directories(s.appDataFolder);
  if (!s.options.dataFiles.empty()) {
    std::filesystem::create_directories(PlayerDataFolder());
    for (const auto& [name, bytes] : s.options.dataFiles) WriteFileBytes(PlayerDataFolder() / name, bytes);
  }
  const std::filesystem::path exe = s.appFolder / L"Driftmarrow.exe";
  if (!CopyFileW(HostExecutable().c_str(), exe.c_str(), FALSE))
    throw Error(L"Cannot copy the host from " + HostExecutable().wstring());
  if (s.options.movie) WriteFileBytes(s.appFolder / L"Driftmarrow.swf", *s.options.movie);

  std::wstring environment = EnvironmentWith({{L"DM_STANDIN_CHANNEL", s.channel.Name()},
                                              {kAppDataVariable, s.appDataFolder.wstring()}});
  const std::wstring desktop = L"dm-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                               s.root.filename().wstring().substr(7);
  std::wstring commandLine = L"explorer.exe /desktop=" + desktop + L"," + std::to_wstring(s.options.desktopWidth) +
                             L"x" + std::to_wstring(s.options.desktopHeight) + L" \"" + exe.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                      environment.data(), s.appFolder.c_str(), &startup, &process))
    throw Error(L"Cannot start " + commandLine);
  CloseHandle(process.hThread);
  s.explorer.reset(process.hProcess);
  s.explorerId = process.dwProcessId;

  if (s.options.waitForControl) {
    const auto hello = s.channel.WaitFor([](const Record& r) { return r[0] == L"hello"; }, 0, s.options.startTimeout);
    if (!hello) {
      const bool ended = WaitForSingleObject(s.explorer.get(), 0) == WAIT_OBJECT_0 ||
                         (s.FindHost() && WaitForSingleObject(s.host.get(), 0) == WAIT_OBJECT_0);
      throw Error(std::wstring(L"The stand-in control did not connect in time") +
                  (ended ? L"; the host has ended." : L"; the host still runs."));
    }
    if (!s.FindHost()) throw Error(L"The host's process cannot be opened.");
  }
}

HostProcess::~HostProcess() = default;

const std::filesystem::path& HostProcess::AppFolder() const { return state_->appFolder; }
const std::filesystem::path& HostProcess::AppDataFolder() const { return state_->appDataFolder; }
std::filesystem::path HostProcess::PlayerDataFolder() const {
  return state_->appDataFolder / L"Wendrake" / L"Driftmarrow" / L"";
}

std::optional<std::string> HostProcess::ReadDataFile(std::wstring_view name) const {
  std::ifstream file(PlayerDataFolder() / name, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::vector<std::wstring> HostProcess::DataFileNames() const {
  std::vector<std::wstring> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(PlayerDataFolder(), error))
    if (entry.is_regular_file()) names.push_back(entry.path().filename().wstring());
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

// The FlashCall a request command fired, found in the log by its request text.
FiredEvent DeliveredRequest(const StandinChannel& channel, const Record& reply, const std::wstring& request) {
  FiredEvent event{0, 197, L"FlashCall", request, HexResult(Field(reply, 0)), Field(reply, 1) == L"1"};
  // The event is logged just before the reply, after whatever the host did while handling it.
  for (std::size_t i = channel.Count(); i-- > 0;) {
    const Record record = channel.At(i);
    if (record[0] == L"event" && record.size() > 3 && record[3] == request) {
      event.sequence = i;
      break;
    }
  }
  return event;
}

}  // namespace

FiredEvent HostProcess::SendRequest(std::wstring_view function, std::wstring_view argument) {
  const Record reply =
      state_->channel.Command(L"request", {std::wstring(function), std::wstring(argument)}, kDefaultTimeout);
  return DeliveredRequest(state_->channel, reply, standin::RequestXml(function, argument));
}

FiredEvent HostProcess::SendRawRequest(std::wstring_view requestXml) {
  const Record reply = state_->channel.Command(L"raw", {std::wstring(requestXml)}, kDefaultTimeout);
  return DeliveredRequest(state_->channel, reply, std::wstring(requestXml));
}

void HostProcess::ChangeMovie(std::wstring_view scriptFragment) {
  state_->channel.Command(L"script", {std::wstring(scriptFragment)}, kDefaultTimeout);
}

void HostProcess::UnregisterCallback(std::wstring_view name) {
  state_->channel.Command(L"unregister", {std::wstring(name)}, kDefaultTimeout);
}

std::vector<MovieCall> HostProcess::Calls() const { return state_->Collect(L"call", &ToCall); }
std::vector<ControlMessage> HostProcess::Messages() const { return state_->Collect(L"message", &ToMessage); }
std::vector<FiredEvent> HostProcess::Events() const { return state_->Collect(L"event", &ToEvent); }
std::vector<MovieLoad> HostProcess::MovieLoads() const { return state_->Collect(L"load", &ToLoad); }

MovieCall HostProcess::WaitForCall(std::wstring_view name, Timeout timeout) {
  auto found = state_->Take(L"call", [&](const Record& r) { return r.size() > 2 && r[2] == name; },
                            state_->consumedCalls, timeout);
  if (!found)
    throw Error(L"The movie got no call of " + std::wstring(name) + L" in time." + Describe(Calls()));
  return ToCall(*found, state_->channel.At(*found));
}

void HostProcess::ExpectNoCall(std::wstring_view name, Timeout period) {
  std::set<std::size_t> scratch = state_->consumedCalls;
  auto found = state_->Take(L"call", [&](const Record& r) { return r.size() > 2 && r[2] == name; }, scratch, period);
  if (found) throw Error(L"The movie got an unexpected call of " + std::wstring(name) + L".");
}

ControlMessage HostProcess::WaitForMessage(UINT message, Timeout timeout) {
  const std::wstring wanted = std::to_wstring(message);
  auto found = state_->Take(L"message", [&](const Record& r) { return r.size() > 1 && r[1] == wanted; },
                            state_->consumedMessages, timeout);
  if (!found) throw Error(L"The control's window got no message " + wanted + L" in time.");
  return ToMessage(*found, state_->channel.At(*found));
}

MovieLoad HostProcess::WaitForMovieLoad(Timeout timeout) {
  auto found = state_->Take(L"load", [](const Record&) { return true; }, state_->consumedLoads, timeout);
  if (!found) throw Error(L"The host did not load a movie in time.");
  return ToLoad(*found, state_->channel.At(*found));
}

WindowFacts HostProcess::MainWindow(Timeout timeout) {
  const Record r = state_->channel.Command(L"window", {}, timeout);
  auto handle = [&](std::size_t i) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(Number(Field(r, i)))); };
  auto number = [&](std::size_t i) { return static_cast<LONG>(Number(Field(r, i))); };
  WindowFacts facts;
  facts.hwnd = handle(0);
  facts.windowRect = RECT{number(1), number(2), number(3), number(4)};
  facts.clientRect = RECT{number(5), number(6), number(7), number(8)};
  facts.style = static_cast<DWORD>(Number(Field(r, 9)));
  facts.exStyle = static_cast<DWORD>(Number(Field(r, 10)));
  facts.visible = Field(r, 11) == L"1";
  facts.iconic = Field(r, 12) == L"1";
  facts.foreground = Field(r, 13) == L"1";
  facts.screenWidth = number(14);
  facts.screenHeight = number(15);
  facts.caption = Field(r, 16);
  facts.controlHwnd = handle(17);
  return facts;
}

namespace {

Record MessageFields(const wchar_t* target, UINT message, WPARAM wParam, LPARAM lParam) {
  return {target, std::to_wstring(message), std::to_wstring(static_cast<long long>(wParam)),
          std::to_wstring(static_cast<long long>(lParam))};
}

}  // namespace

void HostProcess::PostToMainWindow(UINT message, WPARAM wParam, LPARAM lParam) {
  state_->channel.Command(L"post", MessageFields(L"main", message, wParam, lParam), kDefaultTimeout);
}

LRESULT HostProcess::SendToMainWindow(UINT message, WPARAM wParam, LPARAM lParam, Timeout timeout) {
  const Record r = state_->channel.Command(L"send", MessageFields(L"main", message, wParam, lParam), timeout);
  return static_cast<LRESULT>(Number(Field(r, 0)));
}

void HostProcess::PostToControl(UINT message, WPARAM wParam, LPARAM lParam) {
  state_->channel.Command(L"post", MessageFields(L"control", message, wParam, lParam), kDefaultTimeout);
}

LRESULT HostProcess::SendToControl(UINT message, WPARAM wParam, LPARAM lParam, Timeout timeout) {
  const Record r = state_->channel.Command(L"send", MessageFields(L"control", message, wParam, lParam), timeout);
  return static_cast<LRESULT>(Number(Field(r, 0)));
}

void HostProcess::Close() { PostToMainWindow(WM_CLOSE); }

LRESULT HostProcess::QueryEndSession(Timeout timeout) { return SendToMainWindow(WM_QUERYENDSESSION, 0, 0, timeout); }

DWORD HostProcess::ProcessId() const {
  state_->FindHost();
  return state_->hostId;
}

std::optional<DWORD> HostProcess::WaitForExit(Timeout timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!state_->FindHost()) {
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(50ms);
  }
  const auto left = std::chrono::duration_cast<Timeout>(deadline - std::chrono::steady_clock::now());
  if (WaitForSingleObject(state_->host.get(), static_cast<DWORD>(std::max<long long>(left.count(), 0))) !=
      WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(state_->host.get(), &code);
  return code;
}

bool HostProcess::HasExited() { return WaitForExit(0ms).has_value(); }

void HostProcess::Kill() { state_->KillAll(); }

std::string GameMovie() {
  return "# Registers every callback the host calls; answers the exit wish with the exit request.\n"
         "callback setAppPath\n"
         "callback externalExit\n"
         "  request exit <exit/>\n"
         "callback externalPause\n"
         "callback externalUnPause\n"
         "callback externalEscape\n"
         "callback checkFullScreen\n"
         "callback rightclick\n";
}

std::size_t HostProcess::CallCount(std::wstring_view name) const {
  std::size_t count = 0;
  for (const MovieCall& call : Calls()) count += call.name == name;
  return count;
}

std::filesystem::path BuiltFile(std::string_view path) {
  std::wstring wide = std::filesystem::path(path).wstring();
  if (!wide.empty() && wide[0] == L'/') {
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    wide = L"Z:" + wide;
  }
  return wide;
}

HostOptions GameMovieOptions() {
  HostOptions options;
  options.movie = GameMovie();
  return options;
}

}  // namespace dm::e2e
