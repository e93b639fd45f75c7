#pragma once
// The test's end of a stand-in test channel: a named pipe server. The stand-in control in the
// process under test connects to it (it finds the name in DM_STANDIN_CHANNEL), logs records to it
// and carries out commands. A reader thread collects the records; waits pump this thread's
// messages, so a control living on the waiting thread keeps working.
#include <windows.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "standin/channel_record.h"

namespace dm::e2e {

class StandinChannel {
 public:
  StandinChannel();  // throws dm::Error when the pipe cannot be created
  ~StandinChannel();
  StandinChannel(const StandinChannel&) = delete;
  StandinChannel& operator=(const StandinChannel&) = delete;

  // The pipe name to put into the environment variable DM_STANDIN_CHANNEL.
  const std::wstring& Name() const;

  // Every record logged so far except replies, in order; the index is the record's sequence.
  std::vector<standin::Record> Records() const;
  std::size_t Count() const;
  standin::Record At(std::size_t index) const;
  // The index of the first record at or after `from` that matches, without waiting. `match` runs
  // under the channel's lock: it must not call the channel.
  std::optional<std::size_t> Find(const std::function<bool(const standin::Record&)>& match, std::size_t from) const;
  bool PeerGone() const;  // the stand-in connected and went away

  // As Find, waiting up to `timeout` for a record that matches; nullopt after the timeout.
  std::optional<std::size_t> WaitFor(const std::function<bool(const standin::Record&)>& match, std::size_t from,
                                     std::chrono::milliseconds timeout);

  // Sends a command (verb and arguments; the id is added) and returns the reply's fields after
  // the id. Throws dm::Error with the stand-in's text when it fails, or when no reply comes.
  standin::Record Command(const std::wstring& verb, const standin::Record& arguments,
                          std::chrono::milliseconds timeout);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace dm::e2e
