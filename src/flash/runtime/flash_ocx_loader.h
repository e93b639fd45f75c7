#pragma once
// The loader of the private Flash runtime: a TDLLLoader whose answers to the replacement question are
// the library's own functions.
#include "flash/runtime/dll_loader.h"

namespace dm {

class TFlashOCXLoader final : public TDLLLoader {
 public:
  explicit TFlashOCXLoader(std::span<const std::uint8_t> moduleBytes, ModuleSystem& modules = SystemModules());

  void* GetImportReplacement(const char* library, const char* procOrOrdinal) override;
};

}  // namespace dm
