#include "flash/flash_probe.h"

#include <vector>

#include "ui/com.h"

namespace dm {

namespace {

// The registry value is read into 260 bytes: at most 129 UTF-16 characters and the terminator.
constexpr DWORD kServerPathBufferBytes = 260;

}  // namespace

bool ProbeFlashPlayer() noexcept {
  ComPtr<IUnknown> instance;
  CoCreateInstance(kFlashPlayerClassId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                   IID_IUnknown, instance.PutVoid());
  return static_cast<bool>(instance);
}

std::uint32_t ReadFlashPlayerVersion(const ClassesRootReader& registry) {
  const auto path = ReadFlashControlServerPath(kServerPathBufferBytes, registry);
  return path ? FileProductVersion(*path) : 0;
}

std::uint32_t FileProductVersion(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return 0;
  std::vector<BYTE> info(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, info.data())) return 0;
  void* fixed = nullptr;
  UINT fixedSize = 0;
  if (!VerQueryValueW(info.data(), L"\\", &fixed, &fixedSize) || fixedSize < sizeof(VS_FIXEDFILEINFO)) return 0;
  const auto* fileInfo = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  return PackProductVersion(fileInfo->dwProductVersionMS, fileInfo->dwProductVersionLS);
}

}  // namespace dm
