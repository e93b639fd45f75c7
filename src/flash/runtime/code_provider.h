#pragma once
// Sources of a private Flash runtime: they map the runtime's bytes with TFlashOCXLoader and create
// runtime objects through its class factory.
#include <windows.h>
#include <unknwn.h>

#include <cstdint>
#include <memory>
#include <span>

#include "flash/runtime/flash_ocx_loader.h"
#include "flash/runtime/installed_control.h"

namespace dm {

class TFlashOCXCodeProvider {
 public:
  virtual ~TFlashOCXCodeProvider() = default;
  // Creates a runtime object and hands out the requested interface of it.
  virtual HRESULT CreateInstance(REFIID iid, void** object) noexcept = 0;
  // Packed product version of the runtime; 0 when unknown.
  virtual std::uint32_t GetVersion() const noexcept { return 0; }
};

// A runtime mapped from bytes. Without bytes, or when they cannot be mapped (malformed, or the entry
// code fails), there is no runtime: CreateInstance returns E_FAIL and GetVersion 0.
class TFlashOCXCodeProviderBasedOnStream : public TFlashOCXCodeProvider {
 public:
  TFlashOCXCodeProviderBasedOnStream() = default;
  // The bytes are only read during the call.
  explicit TFlashOCXCodeProviderBasedOnStream(std::span<const std::uint8_t> moduleBytes,
                                              ModuleSystem& modules = SystemModules());

  HRESULT CreateInstance(REFIID iid, void** object) noexcept override;
  std::uint32_t GetVersion() const noexcept override { return version_; }
  // The loader holding the mapped runtime; null when none could be mapped.
  const TFlashOCXLoader* Loader() const noexcept { return loader_.get(); }

 protected:
  void LoadRuntime(std::span<const std::uint8_t> moduleBytes, ModuleSystem& modules) noexcept;

 private:
  using DllGetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

  std::unique_ptr<TFlashOCXLoader> loader_;
  DllGetClassObjectFunction dllGetClassObject_ = nullptr;
  std::uint32_t version_ = 0;
};

// The runtime registered on the system for the Flash Player class id, mapped privately.
class TFlashOCXCodeProviderBasedOnSystemInstalledOCX final : public TFlashOCXCodeProviderBasedOnStream {
 public:
  explicit TFlashOCXCodeProviderBasedOnSystemInstalledOCX(ModuleSystem& modules = SystemModules(),
                                                          const ClassesRootReader& registry = SystemClassesRoot());
};

}  // namespace dm
