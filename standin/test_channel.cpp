#include "standin/test_channel.h"

#include "standin/pipe_io.h"

#include <string>
#include <utility>

namespace dm::standin {

std::unique_ptr<TestChannel> TestChannel::Connect(HWND window, UINT wake) {
  wchar_t name[512];
  const DWORD length = GetEnvironmentVariableW(kChannelVariable, name, ARRAYSIZE(name));
  if (length == 0 || length >= ARRAYSIZE(name)) return nullptr;
  UniqueHandle pipe(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr));
  if (pipe.get() == INVALID_HANDLE_VALUE) return nullptr;
  std::unique_ptr<TestChannel> channel(new TestChannel(std::move(pipe), window, wake));
  if (!channel->stop_ || !channel->writeDone_ || !channel->reader_) return nullptr;
  return channel;
}

TestChannel::TestChannel(UniqueHandle pipe, HWND window, UINT wake)
    : pipe_(std::move(pipe)),
      window_(window),
      wake_(wake),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      writeDone_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (stop_ && writeDone_) reader_.reset(CreateThread(nullptr, 0, &ReaderEntry, this, 0, nullptr));
}

TestChannel::~TestChannel() {
  if (reader_) {
    SetEvent(stop_.get());
    WaitForSingleObject(reader_.get(), INFINITE);
  }
}

void TestChannel::Send(const Record& record) {
  ScopedLock hold(writeLock_);
  if (broken_) return;
  if (!WritePipe(pipe_.get(), writeDone_.get(), EncodeRecord(record), kWriteTimeoutMs)) broken_ = true;
}

std::deque<Record> TestChannel::TakeCommands() {
  ScopedLock hold(commandsLock_);
  return std::exchange(commands_, {});
}

DWORD WINAPI TestChannel::ReaderEntry(void* self) {
  try {
    static_cast<TestChannel*>(self)->ReadCommands();
  } catch (...) {
    // The channel is a test aid: a peer that breaks the protocol only ends it.
  }
  return 0;
}

void TestChannel::ReadCommands() {
  UniqueHandle readDone(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!readDone) return;
  LineSplitter splitter;
  char buffer[8192];
  for (;;) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = readDone.get();
    ResetEvent(readDone.get());
    DWORD received = 0;
    BOOL ok = ReadFile(pipe_.get(), buffer, sizeof buffer, nullptr, &overlapped);
    if (!ok && GetLastError() == ERROR_IO_PENDING) {
      HANDLE waits[] = {readDone.get(), stop_.get()};
      if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
        CancelIoEx(pipe_.get(), &overlapped);
        GetOverlappedResult(pipe_.get(), &overlapped, &received, TRUE);
        return;
      }
      ok = TRUE;
    }
    if (!ok || !GetOverlappedResult(pipe_.get(), &overlapped, &received, TRUE) || received == 0) return;
    splitter.Append(std::string_view(buffer, received));
    bool any = false;
    while (auto line = splitter.Next()) {
      Record command = DecodeRecord(*line);
      ScopedLock hold(commandsLock_);
      commands_.push_back(std::move(command));
      any = true;
    }
    if (any) PostMessageW(window_, wake_, 0, 0);
    if (WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0) return;
  }
}

}  // namespace dm::standin
