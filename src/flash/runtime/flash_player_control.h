#pragma once
// The FlashPlayerControl library: its start-up (constructor) and exit (destructor), and its
// process-wide objects, which exist while a library object does.
#include <windows.h>
#include <urlmon.h>

#include <memory>

#include "flash/runtime/code_provider.h"

namespace dm {

using CreateURLMonikerFunction = HRESULT(WINAPI*)(IMoniker* context, LPCWSTR url, IMoniker** moniker);
using RegisterBindStatusCallbackFunction = HRESULT(WINAPI*)(IBindCtx* bindContext, IBindStatusCallback* callback,
                                                            IBindStatusCallback** previous, DWORD reserved);

// Process-wide objects; null while no library is started.
extern TFlashOCXCodeProvider* FlashOCXCodeProvider;
extern HMODULE UrlmonModule;
extern CreateURLMonikerFunction RealCreateURLMoniker;
extern RegisterBindStatusCallbackFunction RealRegisterBindStatusCallback;

// One per process at a time. Start-up maps the system-installed runtime privately (running its entry
// code) and binds urlmon; a urlmon failure raises dm::Error with "LoadLibrary(urlmon.dll) failed",
// "GetProcAddress(CreateURLMoniker) failed" or "GetProcAddress(RegisterBindStatusCallback) failed".
// Exit unmaps the runtime (running its exit code) and frees the rest in the library's order.
class FlashPlayerControlLibrary {
 public:
  explicit FlashPlayerControlLibrary(ModuleSystem& modules = SystemModules(),
                                     const ClassesRootReader& registry = SystemClassesRoot());
  ~FlashPlayerControlLibrary();
  FlashPlayerControlLibrary(const FlashPlayerControlLibrary&) = delete;
  FlashPlayerControlLibrary& operator=(const FlashPlayerControlLibrary&) = delete;

 private:
  void BindUrlmon();
  void Exit() noexcept;

  ModuleSystem& modules_;
  std::unique_ptr<TFlashOCXCodeProvider> provider_;
};

}  // namespace dm
