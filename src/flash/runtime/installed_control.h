#pragma once
// Where the registered Flash Player control lives: its class id and the file registered as its
// in-process server.
#include <windows.h>

#include <optional>
#include <string>

#include "flash/flash_player_class.h"

namespace dm {

// HKEY_CLASSES_ROOT as the look-ups read it; tests substitute their own.
class ClassesRootReader {
 public:
  virtual ~ClassesRootReader() = default;
  // Opens HKEY_CLASSES_ROOT\subKey for querying values and reads its default value into buffer, as
  // RegQueryValueExW does: size is the buffer's size in bytes on entry and the value's on return.
  // ERROR_MORE_DATA when the value does not fit.
  virtual LSTATUS ReadDefaultValue(const wchar_t* subKey, BYTE* buffer, DWORD& size) const;
};

const ClassesRootReader& SystemClassesRoot();

// The path registered as the Flash Player control's file (InprocServer32), read as stored into a buffer
// of bufferBytes bytes, up to its first NUL. None when the key or value is missing or does not fit.
std::optional<std::wstring> ReadFlashControlServerPath(DWORD bufferBytes,
                                                       const ClassesRootReader& registry = SystemClassesRoot());

}  // namespace dm
