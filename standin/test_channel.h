#pragma once
// The control's end of a test channel: a named pipe that a test creates and names in the
// environment variable DM_STANDIN_CHANNEL. The control writes its log records to it and reads
// commands from it; a reader thread collects commands and wakes the control's window, which takes
// them on the UI thread. Writing never blocks the UI thread for long: a peer that stops reading
// for kWriteTimeoutMs, or goes away, ends the channel.
#include <windows.h>

#include <deque>
#include <memory>

#include "standin/channel_record.h"
#include "standin/win_handle.h"

namespace dm::standin {

inline constexpr wchar_t kChannelVariable[] = L"DM_STANDIN_CHANNEL";

class TestChannel {
 public:
  static constexpr DWORD kWriteTimeoutMs = 3000;  // for each piece of a record

  // nullptr when the variable is not set or the pipe cannot be opened (no test listens).
  // `wake` is posted to `window` whenever commands arrive.
  static std::unique_ptr<TestChannel> Connect(HWND window, UINT wake);
  ~TestChannel();
  TestChannel(const TestChannel&) = delete;
  TestChannel& operator=(const TestChannel&) = delete;

  void Send(const Record& record);
  std::deque<Record> TakeCommands();

 private:
  TestChannel(UniqueHandle pipe, HWND window, UINT wake);
  static DWORD WINAPI ReaderEntry(void* self);
  void ReadCommands();

  UniqueHandle pipe_;
  HWND window_;
  UINT wake_;
  UniqueHandle stop_;
  UniqueHandle writeDone_;
  UniqueHandle reader_;
  SRWLOCK writeLock_ = SRWLOCK_INIT;
  bool broken_ = false;
  SRWLOCK commandsLock_ = SRWLOCK_INIT;
  std::deque<Record> commands_;
};

}  // namespace dm::standin
