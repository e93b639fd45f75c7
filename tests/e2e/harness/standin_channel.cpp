#include "standin_channel.h"

#include <atomic>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>

#include "standin/pipe_io.h"
#include "ui/error.h"

namespace dm::e2e {

using standin::Record;

namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const noexcept {
    if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

std::wstring UniquePipeName() {
  static std::atomic<unsigned> counter{0};
  return L"\\\\.\\pipe\\dm-standin-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) +
         L"-" + std::to_wstring(GetTickCount());
}

// Waits for `event` while dispatching this thread's messages; false on timeout.
bool WaitPumping(HANDLE event, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    const DWORD result = MsgWaitForMultipleObjects(1, &event, FALSE, static_cast<DWORD>(left) + 1, QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) return true;
    if (result == WAIT_TIMEOUT) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

}  // namespace

struct StandinChannel::State {
  std::wstring name;
  UniqueHandle pipe;
  UniqueHandle stop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  UniqueHandle changed{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  std::thread reader;

  mutable std::mutex lock;
  std::vector<Record> records;
  std::vector<Record> replies;  // "reply" and "error" records, answered by Command
  bool connected = false;
  bool gone = false;
  unsigned nextId = 1;
  std::mutex writeLock;

  void Read();
  void Store(Record record) {
    {
      std::lock_guard hold(lock);
      const bool isReply = !record.empty() && (record[0] == L"reply" || record[0] == L"error");
      (isReply ? replies : records).push_back(std::move(record));
    }
    SetEvent(changed.get());
  }
};

void StandinChannel::State::Read() {
  UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  HANDLE waits[] = {done.get(), stop.get()};
  auto wait = [&](OVERLAPPED& overlapped, BOOL started, DWORD& bytes) {
    if (!started && GetLastError() != ERROR_IO_PENDING) return GetLastError() == ERROR_PIPE_CONNECTED;
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
      CancelIoEx(pipe.get(), &overlapped);
      GetOverlappedResult(pipe.get(), &overlapped, &bytes, TRUE);
      return false;
    }
    return GetOverlappedResult(pipe.get(), &overlapped, &bytes, TRUE) != FALSE;
  };
  OVERLAPPED connect{};
  connect.hEvent = done.get();
  DWORD bytes = 0;
  if (!wait(connect, ConnectNamedPipe(pipe.get(), &connect), bytes)) return;
  {
    std::lock_guard hold(lock);
    connected = true;
  }
  standin::LineSplitter splitter;
  char buffer[16384];
  try {
    for (;;) {
      OVERLAPPED overlapped{};
      overlapped.hEvent = done.get();
      ResetEvent(done.get());
      bytes = 0;
      if (!wait(overlapped, ReadFile(pipe.get(), buffer, sizeof buffer, nullptr, &overlapped), bytes) &&
          bytes == 0)
        break;
      splitter.Append(std::string_view(buffer, bytes));
      while (auto line = splitter.Next()) Store(standin::DecodeRecord(*line));
    }
  } catch (const Error& error) {
    Store({L"protocol-error", error.Message()});
  }
  {
    std::lock_guard hold(lock);
    gone = true;
  }
  SetEvent(changed.get());
}

StandinChannel::StandinChannel() : state_(std::make_unique<State>()) {
  state_->name = UniquePipeName();
  state_->pipe.reset(CreateNamedPipeW(state_->name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 1 << 20, 1 << 20, 0,
                                      nullptr));
  if (state_->pipe.get() == INVALID_HANDLE_VALUE || !state_->stop || !state_->changed)
    throw Error(L"Cannot create the stand-in channel " + state_->name);
  state_->reader = std::thread([state = state_.get()] { state->Read(); });
}

StandinChannel::~StandinChannel() {
  SetEvent(state_->stop.get());
  if (state_->reader.joinable()) state_->reader.join();
}

const std::wstring& StandinChannel::Name() const { return state_->name; }

std::vector<Record> StandinChannel::Records() const {
  std::lock_guard hold(state_->lock);
  return state_->records;
}

std::size_t StandinChannel::Count() const {
  std::lock_guard hold(state_->lock);
  return state_->records.size();
}

Record StandinChannel::At(std::size_t index) const {
  std::lock_guard hold(state_->lock);
  return state_->records.at(index);
}

std::optional<std::size_t> StandinChannel::Find(const std::function<bool(const Record&)>& match,
                                                std::size_t from) const {
  std::lock_guard hold(state_->lock);
  for (std::size_t i = from; i < state_->records.size(); ++i)
    if (match(state_->records[i])) return i;
  return std::nullopt;
}

bool StandinChannel::PeerGone() const {
  std::lock_guard hold(state_->lock);
  return state_->gone;
}

std::optional<std::size_t> StandinChannel::WaitFor(const std::function<bool(const Record&)>& match, std::size_t from,
                                                   std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const std::size_t seen = Count();
    if (auto found = Find(match, from)) return found;
    from = std::max(from, seen);
    if (!WaitPumping(state_->changed.get(), deadline)) return Find(match, from);
  }
}

Record StandinChannel::Command(const std::wstring& verb, const Record& arguments, std::chrono::milliseconds timeout) {
  std::wstring id;
  {
    std::lock_guard hold(state_->lock);
    if (!state_->connected) throw Error(L"The stand-in has not connected to the channel.");
    id = std::to_wstring(state_->nextId++);
  }
  Record command{verb, id};
  command.insert(command.end(), arguments.begin(), arguments.end());
  const std::string bytes = standin::EncodeRecord(command);
  {
    std::lock_guard hold(state_->writeLock);
    UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done || !standin::WritePipe(state_->pipe.get(), done.get(), bytes, static_cast<DWORD>(timeout.count())))
      throw Error(L"Cannot send the command " + verb + L" to the stand-in.");
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    {
      std::lock_guard hold(state_->lock);
      for (auto it = state_->replies.begin(); it != state_->replies.end(); ++it) {
        if (it->size() < 2 || (*it)[1] != id) continue;
        Record reply = std::move(*it);
        state_->replies.erase(it);
        if (reply[0] == L"error") throw Error(L"The stand-in failed " + verb + L": " + (reply.size() > 2 ? reply[2] : L""));
        return Record(reply.begin() + 2, reply.end());
      }
      if (state_->gone) throw Error(L"The stand-in went away before it answered " + verb + L".");
    }
    if (!WaitPumping(state_->changed.get(), deadline))
      throw Error(L"The stand-in did not answer " + verb + L" in time.");
  }
}

}  // namespace dm::e2e
