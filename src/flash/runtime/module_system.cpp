#include "flash/runtime/module_system.h"

namespace dm {

HMODULE ModuleSystem::Load(const char* name) { return LoadLibraryA(name); }

FARPROC ModuleSystem::Find(HMODULE module, const char* procOrOrdinal) {
  return module ? GetProcAddress(module, procOrOrdinal) : nullptr;
}

void ModuleSystem::Release(HMODULE module) { FreeLibrary(module); }

ModuleSystem& SystemModules() {
  static ModuleSystem system;
  return system;
}

}  // namespace dm
