#pragma once
// Plays a movie script: which callbacks exist, what they answer, and the actions of callbacks,
// buttons and the load. Portable: no Windows headers; the control supplies the environment.
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "standin/movie_script.h"

namespace dm::standin {

// What a playing movie needs from the control around it.
class MovieEnvironment {
 public:
  virtual void SendRequest(const std::wstring& requestXml) = 0;
  virtual void SendFSCommand(const std::wstring& command, const std::wstring& arguments) = 0;
  virtual void Schedule(int delayMs, std::function<void()> work) = 0;
  virtual void Repaint() = 0;

 protected:
  ~MovieEnvironment() = default;
};

class MoviePlayer {
 public:
  static constexpr std::size_t kMaxNotices = 14;

  explicit MoviePlayer(MovieEnvironment& environment) : environment_(environment) {}

  // Replaces the movie (and cancels what the previous one had scheduled); its load actions and,
  // when asked for, its tour follow through the scheduler.
  void Play(MovieScript script, bool tour);
  // Nothing loaded: no callbacks, an empty stage.
  void Stop();
  // Adds or replaces the fragment's callbacks and runs its load actions at once.
  void Merge(MovieScript fragment);
  void Unregister(std::wstring_view name);

  // The registered callback of that name, copied (its actions may run while the movie changes);
  // false when there is none.
  bool FindCallback(std::wstring_view name, Callback& out) const;
  // Runs the actions in order; a wait hands the rest to the environment's scheduler.
  void Run(std::vector<Action> actions, std::wstring argument);
  // The actions of the button under stage point (x, y); false when there is none.
  bool ButtonAt(int x, int y, std::vector<Action>& out) const;

  const MovieScript& Script() const { return script_; }
  const std::deque<std::wstring>& Notices() const { return notices_; }

 private:
  MovieEnvironment& environment_;
  MovieScript script_;
  std::deque<std::wstring> notices_;
  unsigned generation_ = 0;
};

}  // namespace dm::standin
