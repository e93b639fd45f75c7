#include "host/request_dispatcher.h"

#include <utility>

namespace dm {
namespace {

template <class Action>
void IgnoringErrors(Action&& action) {
  try {
    action();
  } catch (...) {
  }
}

}  // namespace

RequestDispatcher::RequestDispatcher(std::unique_ptr<RequestReader> reader, RequestActions& actions)
    : reader_(std::move(reader)), actions_(actions) {}

void RequestDispatcher::OnFlashCall(const std::wstring& request) noexcept {
  if (request.size() > kMaxRequestLength || runningRequests_ >= kMaxNestedRequests) return;
  ++runningRequests_;
  try {
    requestQueue_.Append(TFlashRequest{request});
    ProcessMovieRequest();
  } catch (...) {
    // Whatever went wrong ends this request only; the movie is never told.
  }
  --runningRequests_;
}

void RequestDispatcher::ProcessMovieRequest() {
  std::optional<TFlashRequest> request = requestQueue_.TakeHead();
  if (!request) return;
  // Everything the command needs is read here, before any action can call into the movie and so let a
  // nested request reuse the reader.
  const MovieCommand command = reader_->Read(request->RequestText);
  request.reset();
  Dispatch(command);
}

void RequestDispatcher::Dispatch(const MovieCommand& command) {
  const std::wstring& name = command.name;
  if (name == L"data") {
    actions_.SavePlayerFile(command.text, command.Attribute(L"fileName"));
    actions_.SignFiles();
  } else if (name == L"delete") {
    IgnoringErrors([&] { actions_.DeletePlayerFile(command.Attribute(L"fileName")); });
  } else if (name == L"beforeLoad") {
    IgnoringErrors([&] { actions_.VerifyPlayerFiles(); });
  } else if (name == L"exit") {
    Exit();
  } else if (name == L"fullscreen") {
    actions_.ToggleScreenMode(command.Attribute(L"param"));
  }
  // "stopPlay", "playSound", "music" and every other name are accepted without effect: the movie plays
  // its own sound.
}

void RequestDispatcher::Exit() {
  actions_.AllowClose();
  actions_.HideMainWindow();
  // A failed signing pass must not leave behind a hidden window that never ends.
  IgnoringErrors([&] { actions_.SignFiles(); });
  actions_.CloseMainWindow();
}

}  // namespace dm
