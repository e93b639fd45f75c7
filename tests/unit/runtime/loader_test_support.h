#pragma once
// The fixture modules of the loader's tests, and a module system that records what the loader does.
#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "flash/runtime/module_system.h"

namespace dm::test {

// Full Windows path of a fixture module; also makes the fixture folder a module search folder, so that
// the fixtures' own imports are found.
std::wstring FixturePath(const wchar_t* name);
std::vector<std::uint8_t> ReadFixture(const wchar_t* name);

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
