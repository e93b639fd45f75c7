#include "flash/runtime/flash_player_control.h"

#include "flash/runtime/import_replacements.h"
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
    // 2. ClassNameMap (kept if the runtime's entry code already needed it).
    CreateIfAbsent(ClassNameMap);
    // 3. ContentManager; it reads the urlmon entry points at each use, so they may be bound later.
    ContentManager = std::make_unique<TContentManager>(
        UrlMonikerFunctions{RealCreateURLMoniker, RealRegisterBindStatusCallback});
    // 4. AudioLock exists from program start, so the runtime's entry code could already use it.
    SoundEnabled = true;
    ClearContentHandlers();
    // 5. urlmon.
    BindUrlmon();
    // 6. Volume, sample sizes and saved cursors.
    AudioVolume = 100;
    CreateIfAbsent(SampleSizeMap);
    CreateIfAbsent(SavedCursors);
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
  ClassNameMap.reset();
  ContentManager.reset();
  RealCreateURLMoniker = nullptr;
  RealRegisterBindStatusCallback = nullptr;
  if (UrlmonModule) modules_.Release(UrlmonModule);
  UrlmonModule = nullptr;
  SampleSizeMap.reset();
  SavedCursors.reset();
  libraryStarted = false;
}

}  // namespace dm
