#include "display/library_cache.h"

#include <cwctype>

#include "ui/error.h"

namespace dm {
namespace {

std::wstring LowerCase(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// The DirectX setup library lies in the folder of the DirectX uninstaller; the registry value names
// the uninstaller program, whose last 11 characters are not part of the folder.
std::wstring DirectXSetupLibrary() {
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof(value) - sizeof(wchar_t);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\DirectXDrivers",
                   L"UninstallString", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return {};
  }
  std::wstring folder(value);
  if (folder.size() <= 11) return {};
  folder.resize(folder.size() - 11);
  return folder + L"DSetup.dll";
}

}  // namespace

LibraryCache& LibraryCache::Process() {
  static LibraryCache cache;
  return cache;
}

HMODULE LibraryCache::Find(const std::wstring& library) {
  const std::wstring key = LowerCase(library);
  if (auto found = modules_.find(key); found != modules_.end()) return found->second.get();
  Module module(LoadLibraryW(library.c_str()));
  if (!module) return nullptr;
  return modules_.emplace(key, std::move(module)).first->second.get();
}

bool LibraryCache::Load(const std::wstring& library) { return Find(library) != nullptr; }

FARPROC LibraryCache::EntryPoint(const std::wstring& library, const char* name) {
  HMODULE module = Find(library);
  FARPROC entry = module ? GetProcAddress(module, name) : nullptr;
  if (!entry) throw Error(library + L" is not loaded");
  return entry;
}

DirectXLibraries::DirectXLibraries() {
  LibraryCache& cache = LibraryCache::Process();
  for (const wchar_t* library : {kDirectDrawLibrary, L"DInput.dll", L"DPlayX.dll", L"DSound.dll"}) {
    cache.Load(library);
  }
  if (std::wstring setup = DirectXSetupLibrary(); !setup.empty()) cache.Load(setup);
}

DirectXLibraries::~DirectXLibraries() { LibraryCache::Process().Clear(); }

}  // namespace dm
