#include "flash/runtime/code_provider.h"

#include <type_traits>
#include <vector>

#include "ui/com.h"

namespace dm {

namespace {

// The registry value is read into 261 bytes: at most 129 UTF-16 characters and the terminator.
constexpr DWORD kServerPathBufferBytes = 261;
// Far above any real runtime; keeps a damaged registration from reading an arbitrary file whole.
constexpr LONGLONG kMaxRuntimeFileSize = 1LL << 30;

struct FileCloser {
  void operator()(HANDLE file) const noexcept { CloseHandle(file); }
};
using File = std::unique_ptr<std::remove_pointer_t<HANDLE>, FileCloser>;

bool ReadWholeFile(HANDLE file, std::vector<std::uint8_t>& bytes) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart > kMaxRuntimeFileSize) return false;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr) || read == 0)
      return false;
    done += read;
  }
  return true;
}

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
  const File file(opened);
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(file.get(), bytes)) return;
  LoadRuntime(bytes, modules);
}

}  // namespace dm
