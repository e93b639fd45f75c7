#include "standin/movie_player.h"

#include <algorithm>
#include <utility>

#include "standin/invoke_xml.h"

namespace dm::standin {

void MoviePlayer::Play(MovieScript script, bool tour) {
  ++generation_;
  script_ = std::move(script);
  notices_.clear();
  environment_.Repaint();
  // Like a real movie's first frame, the load actions run once the load call has returned.
  std::vector<Action> actions = script_.onLoad;
  if (tour) actions.insert(actions.end(), script_.onTour.begin(), script_.onTour.end());
  environment_.Schedule(0, [this, generation = generation_, actions = std::move(actions)]() mutable {
    if (generation == generation_) Run(std::move(actions), {});
  });
}

void MoviePlayer::Stop() {
  ++generation_;
  script_ = MovieScript{};
  notices_.clear();
  environment_.Repaint();
}

void MoviePlayer::Merge(MovieScript fragment) {
  for (Callback& callback : fragment.callbacks) {
    Unregister(callback.name);
    script_.callbacks.push_back(std::move(callback));
  }
  Run(std::move(fragment.onLoad), {});
}

void MoviePlayer::Unregister(std::wstring_view name) {
  std::erase_if(script_.callbacks, [name](const Callback& callback) { return callback.name == name; });
}

bool MoviePlayer::FindCallback(std::wstring_view name, Callback& out) const {
  auto found = std::find_if(script_.callbacks.begin(), script_.callbacks.end(),
                            [name](const Callback& callback) { return callback.name == name; });
  if (found == script_.callbacks.end()) return false;
  out = *found;
  return true;
}

bool MoviePlayer::ButtonAt(int x, int y, std::vector<Action>& out) const {
  for (const Button& button : script_.buttons) {
    if (x >= button.x && x < button.x + button.width && y >= button.y && y < button.y + button.height) {
      out = button.actions;
      return true;
    }
  }
  return false;
}

void MoviePlayer::Run(std::vector<Action> actions, std::wstring argument) {
  for (std::size_t i = 0; i < actions.size(); ++i) {
    const Action& action = actions[i];
    switch (action.kind) {
      case Action::Kind::Request:
        environment_.SendRequest(RequestXml(action.function, Substitute(action.text, argument)));
        break;
      case Action::Kind::Raw:
        environment_.SendRequest(Substitute(action.text, argument));
        break;
      case Action::Kind::FSCommand:
        environment_.SendFSCommand(action.function, Substitute(action.text, argument));
        break;
      case Action::Kind::Show:
        notices_.push_back(Substitute(action.text, argument));
        while (notices_.size() > kMaxNotices) notices_.pop_front();
        environment_.Repaint();
        break;
      case Action::Kind::Wait: {
        std::vector<Action> rest(actions.begin() + static_cast<std::ptrdiff_t>(i) + 1, actions.end());
        environment_.Schedule(action.delayMs, [this, generation = generation_, rest = std::move(rest),
                                               argument = std::move(argument)]() mutable {
          if (generation == generation_) Run(std::move(rest), std::move(argument));
        });
        return;
      }
    }
  }
}

}  // namespace dm::standin
