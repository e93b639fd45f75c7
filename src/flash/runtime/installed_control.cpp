#include "flash/runtime/installed_control.h"

#include <memory>
#include <type_traits>
#include <vector>

namespace dm {

namespace {

constexpr wchar_t kServerKey[] = L"CLSID\\{D27CDB6E-AE6D-11cf-96B8-444553540000}\\InprocServer32";

struct RegistryKeyCloser {
  void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using RegistryKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegistryKeyCloser>;

}  // namespace

LSTATUS ClassesRootReader::ReadDefaultValue(const wchar_t* subKey, BYTE* buffer, DWORD& size) const {
  HKEY opened = nullptr;
  const LSTATUS status = RegOpenKeyExW(HKEY_CLASSES_ROOT, subKey, 0, KEY_QUERY_VALUE, &opened);
  if (status != ERROR_SUCCESS) return status;
  const RegistryKey key(opened);
  return RegQueryValueExW(key.get(), nullptr, nullptr, nullptr, buffer, &size);
}

const ClassesRootReader& SystemClassesRoot() {
  static const ClassesRootReader registry;
  return registry;
}

std::optional<std::wstring> ReadFlashControlServerPath(DWORD bufferBytes, const ClassesRootReader& registry) {
  // One character more than offered to the registry, so the text ends even when the value fills the buffer.
  std::vector<wchar_t> buffer((bufferBytes + 1) / sizeof(wchar_t) + 1, L'\0');
  DWORD size = bufferBytes;
  if (registry.ReadDefaultValue(kServerKey, reinterpret_cast<BYTE*>(buffer.data()), size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(buffer.data());
}

}  // namespace dm
