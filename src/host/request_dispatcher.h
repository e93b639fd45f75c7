#pragma once
// Receives the movie's requests, unwraps the command each one carries and dispatches it to the main
// window's actions. Requests are never answered and their failures are never reported. Portable: the
// XML work is behind RequestReader.
#include <memory>
#include <string>

#include "host/flash_request.h"
#include "host/request_actions.h"
#include "host/request_command.h"

namespace dm {

class RequestReader {
 public:
  virtual ~RequestReader() = default;
  // Unwraps a request text into the command of its first argument. Throws when the text is not a
  // well-formed request whose first argument is a string holding a well-formed command element.
  virtual MovieCommand Read(const std::wstring& requestText) = 0;
};

// Requests nested deeper than this inside running actions are dropped: a movie that answers every call
// into it with another request would otherwise exhaust the stack.
inline constexpr int kMaxNestedRequests = 32;

class RequestDispatcher {
 public:
  RequestDispatcher(std::unique_ptr<RequestReader> reader, RequestActions& actions);
  RequestDispatcher(const RequestDispatcher&) = delete;
  RequestDispatcher& operator=(const RequestDispatcher&) = delete;

  // The Flash control's FlashCall event: queues the request and processes it completely, also when it
  // arrives inside an action of an earlier request. Runs inside a COM event, so nothing escapes.
  void OnFlashCall(const std::wstring& request) noexcept;

 private:
  void ProcessMovieRequest();
  void Dispatch(const MovieCommand& command);
  void Exit();

  std::unique_ptr<RequestReader> reader_;
  RequestActions& actions_;
  RequestQueue requestQueue_;
  int runningRequests_ = 0;
};

}  // namespace dm
