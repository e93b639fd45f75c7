#include "flash/runtime/flash_ocx_loader.h"

namespace dm {

TFlashOCXLoader::TFlashOCXLoader(std::span<const std::uint8_t> moduleBytes, ModuleSystem& modules)
    : TDLLLoader(DeferMapping{}, modules) {
  Map(moduleBytes);
}

void* TFlashOCXLoader::GetImportReplacement(const char*, const char*) { return nullptr; }

}  // namespace dm
