#pragma once
// One movie request as the Flash control delivered it, and the queue that holds requests until they are
// processed. Portable: no Windows headers.
#include <deque>
#include <optional>
#include <string>

namespace dm {

struct TFlashRequest {
  std::wstring RequestText;
};

// First in, first out. Between two control events it is empty; it holds a second request only while a
// request arriving inside a running action is handled.
class RequestQueue {
 public:
  void Append(TFlashRequest request) { requests_.push_back(std::move(request)); }
  // Removes and returns the oldest request; nothing when the queue is empty.
  std::optional<TFlashRequest> TakeHead();
  bool Empty() const noexcept { return requests_.empty(); }

 private:
  std::deque<TFlashRequest> requests_;
};

inline std::optional<TFlashRequest> RequestQueue::TakeHead() {
  if (requests_.empty()) return std::nullopt;
  TFlashRequest head = std::move(requests_.front());
  requests_.pop_front();
  return head;
}

}  // namespace dm
