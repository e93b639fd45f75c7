#pragma once
// Errors of the display-mode service. Portable: no Windows headers.
#include <string>

#include "ui/error.h"

namespace dm {

// Failures of the display service itself: no window to hold, or a display mode the driver refuses.
class EDXDrawError : public Error {
 public:
  using Error::Error;
};

class EDirectXError : public Error {
 public:
  using Error::Error;
};

// Failures of DirectDraw or of a setting it cannot take.
class EDirectDrawError : public EDirectXError {
 public:
  using EDirectXError::EDirectXError;
};

}  // namespace dm
