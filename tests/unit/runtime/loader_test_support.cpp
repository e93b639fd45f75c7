#include "loader_test_support.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace dm::test {

std::wstring FixturePath(const wchar_t* name) {
  std::string folder = DM_LOADER_FIXTURES;
  std::replace(folder.begin(), folder.end(), '/', '\\');
  const std::wstring wideFolder(folder.begin(), folder.end());
  SetDllDirectoryW(wideFolder.c_str());
  return wideFolder + L"\\" + name;
}

std::vector<std::uint8_t> ReadFixture(const wchar_t* name) {
  std::ifstream file(std::filesystem::path(FixturePath(name)), std::ios::binary);
  if (!file) throw std::runtime_error("fixture module missing");
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::wstring FixturePathOfLength(const wchar_t* name, std::size_t length) {
  const std::wstring path = FixturePath(name);
  const std::size_t slash = path.rfind(L'\\');
  std::wstring padded = path.substr(0, slash);
  while (padded.size() + 2 + (path.size() - slash) <= length) padded += L"\\.";
  if (padded.size() + (path.size() - slash) < length) padded += L"\\";
  return padded + path.substr(slash);
}

LSTATUS FakeClassesRoot::ReadDefaultValue(const wchar_t*, BYTE* buffer, DWORD& size) const {
  if (!value_) return ERROR_FILE_NOT_FOUND;
  const DWORD needed = static_cast<DWORD>((value_->size() + 1) * sizeof(wchar_t));
  const DWORD offered = size;
  size = needed;
  if (needed > offered) return ERROR_MORE_DATA;
  std::memcpy(buffer, value_->c_str(), needed);
  return ERROR_SUCCESS;
}

HMODULE RecordingModules::Load(const char* name) {
  if (refusedModules.count(name)) return nullptr;
  HMODULE module = ModuleSystem::Load(name);
  log.push_back(std::string("load:") + name);
  if (module) names_.emplace_back(module, name);
  return module;
}

FARPROC RecordingModules::Find(HMODULE module, const char* procOrOrdinal) {
  if (!IsOrdinal(procOrOrdinal) && refusedProcedures.count(procOrOrdinal)) return nullptr;
  return ModuleSystem::Find(module, procOrOrdinal);
}

void RecordingModules::Release(HMODULE module) {
  const auto found = std::find_if(names_.begin(), names_.end(), [module](const auto& n) { return n.first == module; });
  log.push_back("release:" + (found != names_.end() ? found->second : std::string("?")));
  ModuleSystem::Release(module);
}

}  // namespace dm::test
