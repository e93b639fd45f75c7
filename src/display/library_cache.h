#pragma once
// The process-wide cache of the DirectX libraries, and their loading at program start.
#include <windows.h>

#include <map>
#include <memory>
#include <string>

namespace dm {

// Libraries loaded by name and kept until Clear(), keyed by the lower-cased name.
class LibraryCache {
 public:
  static LibraryCache& Process();

  // Loads the library unless it is loaded; false when it cannot be loaded.
  bool Load(const std::wstring& library);
  // The library's entry point, loading the library first when needed. Throws dm::Error
  // "<library> is not loaded" when the library cannot be loaded or lacks the entry point.
  FARPROC EntryPoint(const std::wstring& library, const char* name);
  void Clear() { modules_.clear(); }

 private:
  struct FreeModule {
    void operator()(HMODULE module) const { FreeLibrary(module); }
  };
  using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, FreeModule>;

  HMODULE Find(const std::wstring& library);

  std::map<std::wstring, Module> modules_;
};

// Loads the DirectX libraries at program start (a missing one is no error) and releases the cache at
// program end. Create one in the program entry before the main window and keep it until the end.
class DirectXLibraries {
 public:
  DirectXLibraries();
  ~DirectXLibraries();
  DirectXLibraries(const DirectXLibraries&) = delete;
  DirectXLibraries& operator=(const DirectXLibraries&) = delete;
};

inline constexpr wchar_t kDirectDrawLibrary[] = L"DDraw.dll";

}  // namespace dm
