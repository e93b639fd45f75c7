#pragma once
// The system's module loader as the in-memory loader and the library use it; tests substitute their own.
#include <windows.h>

namespace dm {

class ModuleSystem {
 public:
  virtual ~ModuleSystem() = default;
  // LoadLibraryA: null on failure.
  virtual HMODULE Load(const char* name);
  // GetProcAddress: procOrOrdinal is a NUL-terminated name or an ordinal (<= 0xFFFF) in the pointer.
  virtual FARPROC Find(HMODULE module, const char* procOrOrdinal);
  // FreeLibrary.
  virtual void Release(HMODULE module);
};

ModuleSystem& SystemModules();

// An ordinal in place of a procedure name, as GetProcAddress takes it.
inline const char* OrdinalAsName(WORD ordinal) {
  return reinterpret_cast<const char*>(static_cast<ULONG_PTR>(ordinal));
}
inline bool IsOrdinal(const char* procOrOrdinal) { return reinterpret_cast<ULONG_PTR>(procOrOrdinal) <= 0xFFFF; }

}  // namespace dm
