#include "flash/runtime/flash_player_control.h"

#include "ui/error.h"

namespace dm {

TFlashOCXCodeProvider* FlashOCXCodeProvider = nullptr;
HMODULE UrlmonModule = nullptr;
CreateURLMonikerFunction RealCreateURLMoniker = nullptr;
RegisterBindStatusCallbackFunction RealRegisterBindStatusCallback = nullptr;

namespace {

bool libraryStarted = false;

template <class Function>
Function FunctionCast(FARPROC proc) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(proc));
}

}  // namespace

FlashPlayerControlLibrary::FlashPlayerControlLibrary(ModuleSystem& modules, const ClassesRootReader& registry)
    : modules_(modules) {
  if (libraryStarted) throw Error(L"The FlashPlayerControl library is already started");
  libraryStarted = true;
  try {
    // 1. The code provider over the system-installed runtime (maps it and runs its entry code).
    provider_ = std::make_unique<TFlashOCXCodeProviderBasedOnSystemInstalledOCX>(modules, registry);
    FlashOCXCodeProvider = provider_.get();
    // 2. [replacements] create ClassNameMap.
    // 3. [content] create ContentManager.
    // 4. [replacements] SoundEnabled = true; initialise AudioLock. [content] clear the two process-wide handlers.
    // 5. urlmon.
    BindUrlmon();
    // 6. [replacements] AudioVolume = 100; create SampleSizeMap; create SavedCursors.
  } catch (...) {
    Exit();
    throw;
  }
}

FlashPlayerControlLibrary::~FlashPlayerControlLibrary() { Exit(); }

void FlashPlayerControlLibrary::BindUrlmon() {
  UrlmonModule = modules_.Load("urlmon.dll");
  if (!UrlmonModule) throw Error(L"LoadLibrary(urlmon.dll) failed");
  RealCreateURLMoniker = FunctionCast<CreateURLMonikerFunction>(modules_.Find(UrlmonModule, "CreateURLMoniker"));
  if (!RealCreateURLMoniker) throw Error(L"GetProcAddress(CreateURLMoniker) failed");
  RealRegisterBindStatusCallback =
      FunctionCast<RegisterBindStatusCallbackFunction>(modules_.Find(UrlmonModule, "RegisterBindStatusCallback"));
  if (!RealRegisterBindStatusCallback) throw Error(L"GetProcAddress(RegisterBindStatusCallback) failed");
}

// Every step copes with an object that start-up never created.
void FlashPlayerControlLibrary::Exit() noexcept {
  // The runtime's exit code runs here, while everything below still exists.
  provider_.reset();
  FlashOCXCodeProvider = nullptr;
  // [replacements] free ClassNameMap.
  // [content] free ContentManager.
  // [replacements] delete AudioLock.
  RealCreateURLMoniker = nullptr;
  RealRegisterBindStatusCallback = nullptr;
  if (UrlmonModule) modules_.Release(UrlmonModule);
  UrlmonModule = nullptr;
  // [replacements] free SampleSizeMap; free SavedCursors.
  libraryStarted = false;
}

}  // namespace dm
