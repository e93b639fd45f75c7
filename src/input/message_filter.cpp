#include "input/message_filter.h"

namespace dm {

bool AppMessageFilter(const MSG& message) {
  return message.message == WM_SYSCOMMAND && message.wParam == SC_SCREENSAVE;
}

}  // namespace dm
