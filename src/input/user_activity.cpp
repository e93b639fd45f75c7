#include "input/user_activity.h"

namespace dm {

void UserActivity::Tick() const {
  inject_(kControlKey, 0);
  inject_(kControlKey, kKeyUpEvent);
}

}  // namespace dm
