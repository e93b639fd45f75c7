#include "flash/runtime/flash_ocx_loader.h"

#include <cstring>

#include "flash/runtime/import_replacements.h"

namespace dm {

namespace {

struct Replacement {
  const char* importedName;
  void* function;
};

// Asked in this order; names compare exactly, whichever module the import comes from.
const Replacement Replacements[] = {
    {"CreateURLMoniker", reinterpret_cast<void*>(&MyCreateURLMoniker)},
    {"RegisterClassExA", reinterpret_cast<void*>(&MyRegisterClassExA)},
    {"CreateWindowExA", reinterpret_cast<void*>(&MyCreateWindowExA)},
    {"LoadCursorA", reinterpret_cast<void*>(&MyLoadCursorA)},
    {"LoadMenuA", reinterpret_cast<void*>(&MyLoadMenuA)},
    {"waveOutWrite", reinterpret_cast<void*>(&MyWaveOutWrite)},
    {"waveOutOpen", reinterpret_cast<void*>(&MyWaveOutOpen)},
    {"FlushInstructionCache", reinterpret_cast<void*>(&MyFlushInstructionCache)},
    {"CreateFileA", reinterpret_cast<void*>(&MyCreateFileA)},
};

}  // namespace

TFlashOCXLoader::TFlashOCXLoader(std::span<const std::uint8_t> moduleBytes, ModuleSystem& modules)
    : TDLLLoader(DeferMapping{}, modules) {
  Map(moduleBytes);
}

void* TFlashOCXLoader::GetImportReplacement(const char*, const char* procOrOrdinal) {
  if (IsOrdinal(procOrOrdinal)) return nullptr;
  for (const Replacement& replacement : Replacements)
    if (std::strcmp(replacement.importedName, procOrOrdinal) == 0) return replacement.function;
  return nullptr;
}

}  // namespace dm
