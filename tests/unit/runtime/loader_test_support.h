#pragma once
// The fixture modules of the loader's tests, and a module system that records what the loader does.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "flash/runtime/installed_control.h"
#include "flash/runtime/module_system.h"

namespace dm::test {

// Full Windows path of a fixture module; also makes the fixture folder a module search folder, so that
// the fixtures' own imports are found.
std::wstring FixturePath(const wchar_t* name);
std::vector<std::uint8_t> ReadFixture(const wchar_t* name);
// The same fixture under a path of exactly this many characters ("\." segments lengthen it).
std::wstring FixturePathOfLength(const wchar_t* name, std::size_t length);

// A registry whose Flash Player server value is the given text (none: the key is missing), answered
// with RegQueryValueExW's rules for a REG_SZ value.
class FakeClassesRoot final : public ClassesRootReader {
 public:
  explicit FakeClassesRoot(std::optional<std::wstring> value) : value_(std::move(value)) {}
  LSTATUS ReadDefaultValue(const wchar_t* subKey, BYTE* buffer, DWORD& size) const override;

 private:
  std::optional<std::wstring> value_;
};

// Forwards to the system and logs "load:NAME", "release:NAME"; refuses the module and procedure names
// it is told to.
class RecordingModules final : public ModuleSystem {
 public:
  HMODULE Load(const char* name) override;
  FARPROC Find(HMODULE module, const char* procOrOrdinal) override;
  void Release(HMODULE module) override;

  std::vector<std::string>& log;
  std::set<std::string> refusedModules;
  std::set<std::string> refusedProcedures;

  explicit RecordingModules(std::vector<std::string>& sharedLog) : log(sharedLog) {}

 private:
  std::vector<std::pair<HMODULE, std::string>> names_;
};

template <class Function>
Function ExportOf(void* address) {
  return reinterpret_cast<Function>(address);
}

}  // namespace dm::test
