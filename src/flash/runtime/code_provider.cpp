#include "flash/runtime/code_provider.h"

#include <type_traits>

#include "ui/com.h"

namespace dm {

namespace {

// The registry value is read into 261 bytes: at most 129 UTF-16 characters and the terminator.
constexpr DWORD kServerPathBufferBytes = 261;
// Far above any real runtime; keeps a damaged registration from mapping an arbitrary file.
constexpr LONGLONG kMaxRuntimeFileSize = 1LL << 30;

struct HandleCloser {
  void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

struct ViewUnmapper {
  void operator()(const void* view) const noexcept { UnmapViewOfFile(view); }
};
using FileView = std::unique_ptr<const void, ViewUnmapper>;

}  // namespace

TFlashOCXCodeProviderBasedOnStream::TFlashOCXCodeProviderBasedOnStream(std::span<const std::uint8_t> moduleBytes,
                                                                       ModuleSystem& modules) {
  LoadRuntime(moduleBytes, modules);
}

void TFlashOCXCodeProviderBasedOnStream::LoadRuntime(std::span<const std::uint8_t> moduleBytes,
                                                     ModuleSystem& modules) noexcept {
  try {
    loader_ = std::make_unique<TFlashOCXLoader>(moduleBytes, modules);
    dllGetClassObject_ = reinterpret_cast<DllGetClassObjectFunction>(loader_->FindExport("DllGetClassObject"));
    version_ = GetImageProductVersion(loader_->MappedImage());
  } catch (...) {
    // Whatever failed (a malformed image included), the result is no runtime at all.
    dllGetClassObject_ = nullptr;
    version_ = 0;
  }
}

HRESULT TFlashOCXCodeProviderBasedOnStream::CreateInstance(REFIID iid, void** object) noexcept {
  if (!dllGetClassObject_) return E_FAIL;
  ComPtr<IClassFactory> factory;
  if (dllGetClassObject_(kFlashPlayerClassId, IID_IClassFactory, factory.PutVoid()) != S_OK || !factory)
    return E_FAIL;
  factory->CreateInstance(nullptr, iid, object);
  return S_OK;
}

TFlashOCXCodeProviderBasedOnSystemInstalledOCX::TFlashOCXCodeProviderBasedOnSystemInstalledOCX(
    ModuleSystem& modules, const ClassesRootReader& registry) {
  const auto path = ReadFlashControlServerPath(kServerPathBufferBytes, registry);
  if (!path) return;
  const HANDLE opened = CreateFileW(path->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return;
  const Handle file(opened);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart == 0 || size.QuadPart > kMaxRuntimeFileSize) return;
  // The file's bytes are read through a view of the file: no copy besides the mapping itself. Nobody can
  // change the file meanwhile, as it is open without write sharing.
  const Handle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) return;
  const FileView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
  if (!view) return;
  LoadRuntime({static_cast<const std::uint8_t*>(view.get()), static_cast<std::size_t>(size.QuadPart)}, modules);
}

}  // namespace dm
