#include "display/direct_draw.h"

#include "display/library_cache.h"

namespace dm {
namespace {

template <class Function>
Function Resolve(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(LibraryCache::Process().EntryPoint(kDirectDrawLibrary, name)));
}

class LoadedDirectDraw final : public DirectDrawSystem {
 public:
  HRESULT CreateEx(GUID* driver, REFIID iid, void** object) override {
    using Function = HRESULT(WINAPI*)(GUID*, void**, REFIID, IUnknown*);
    return Resolve<Function>("DirectDrawCreateEx")(driver, object, iid, nullptr);
  }
  HRESULT Create(GUID* driver, IDirectDraw** object) override {
    using Function = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);
    return Resolve<Function>("DirectDrawCreate")(driver, object, nullptr);
  }
  HRESULT EnumerateDrivers(LPDDENUMCALLBACKW callback, void* context) override {
    using Function = HRESULT(WINAPI*)(LPDDENUMCALLBACKW, void*);
    return Resolve<Function>("DirectDrawEnumerateW")(callback, context);
  }
};

}  // namespace

std::shared_ptr<DirectDrawSystem> SystemDirectDraw() { return std::make_shared<LoadedDirectDraw>(); }

}  // namespace dm
