#pragma once
// Maps a 32-bit module from bytes in memory, without the system's module loader: lays out its
// sections, relocates it, resolves its imports (offering each to GetImportReplacement first) and runs
// its entry code. The module never appears in the system's list of loaded modules.
#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

#include "flash/runtime/module_system.h"
#include "flash/runtime/pe_image.h"

namespace dm {

class TDLLLoader {
 public:
  // Maps the module and runs its entry code (process attach). Raises dm::Error when the image is
  // malformed or its entry code faults. The bytes are only read during the call.
  explicit TDLLLoader(std::span<const std::uint8_t> moduleBytes, ModuleSystem& modules = SystemModules());
  // Runs the module's exit code (process detach), releases the modules it imported from, in the order
  // they were loaded, and frees the image.
  virtual ~TDLLLoader();
  TDLLLoader(const TDLLLoader&) = delete;
  TDLLLoader& operator=(const TDLLLoader&) = delete;

  // Address of the mapped image (also the module handle its code sees); null until a load completed.
  void* MappedImage() const noexcept { return mappedImage_; }
  // The function exported under exactly this name (case-sensitive), or null.
  void* FindExport(const char* name) const;

  // The address to use instead of an imported function, or null for the system's own. procOrOrdinal is a
  // NUL-terminated name, or for an import by ordinal the ordinal (<= 0xFFFF) in the pointer.
  virtual void* GetImportReplacement(const char* library, const char* procOrOrdinal);

 protected:
  // For derived loaders: their constructor calls Map, so that their GetImportReplacement is the one
  // asked while the imports are resolved.
  struct DeferMapping {};
  TDLLLoader(DeferMapping, ModuleSystem& modules) : system_(modules) {}
  void Map(std::span<const std::uint8_t> moduleBytes);

 private:
  class Resolver;

  ModuleSystem& system_;
  ImageHeaders headers_;
  void* mappedImage_ = nullptr;
  std::vector<HMODULE> modules_;
};

// Finds a resource in a module image mapped by TDLLLoader (or loaded by the system), trying the
// languages in this order: the thread's locale, the system default, the user default, neutral (0),
// 1033. type is an integer type; name an integer identifier (<= 0xFFFF in the pointer) or an 8-bit
// name. data points into the image; nothing is copied. False when absent or the image is malformed.
bool FindImageResource(const void* image, WORD type, const char* name, DWORD& size, const void*& data) noexcept;

// Packed product version of a mapped image's version resource; 0 when it has none. Raises dm::Error
// for a malformed image.
std::uint32_t GetImageProductVersion(const void* image);

}  // namespace dm
