#include "input/escape_reporter.h"

#include "host/movie_call_text.h"

namespace dm {

void EscapeReporter::KeyDown(unsigned key) {
  if (!armed_) return;
  armed_ = false;
  if (key == kEscapeKey) callMovie_(movie_call::kExternalEscape);
}

void EscapeReporter::KeyUp(unsigned key) {
  if (key == kEscapeKey) armed_ = true;
}

}  // namespace dm
